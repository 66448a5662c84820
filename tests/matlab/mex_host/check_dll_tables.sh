#!/usr/bin/env bash
# check_dll_tables.sh OBJDUMP DEF_DIR DLL...: each MEX DLL exports mexFunction
# alone and imports only from the MATLAB libraries (only names our .def files
# list), the Windows kernel and the C runtime.
set -u
objdump=$1
def_dir=$2
shift 2
allowed_api=$(grep -hv -E '^(LIBRARY|EXPORTS)' "$def_dir"/*.def | sort -u)
status=0
for dll in "$@"; do
    table=$("$objdump" -p "$dll")
    exports=$(echo "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')
    dlls=$(echo "$table" | sed -n 's/^\s*DLL Name: //p')
    api=$(echo "$table" | awk '/DLL Name: (libmx|libmex)\.dll/ {on=1; next}
                               /DLL Name:/ || /^\s*$/ {on=0}
                               on && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}')
    bad_dlls=$(echo "$dlls" | grep -v -i -x -E 'libmx\.dll|libmex\.dll|kernel32\.dll|msvcrt\.dll')
    bad_api=$(comm -23 <(echo "$api" | sort -u) <(echo "$allowed_api"))
    echo "$(basename "$dll"): exports [$(echo $exports)], imports from [$(echo $dlls)]"
    if [ "$exports" != "mexFunction" ] || [ -n "$bad_dlls" ] || [ -n "$bad_api" ]; then
        echo "  unexpected: exports [$(echo $exports)] dlls [$(echo $bad_dlls)] api [$(echo $bad_api)]"
        status=1
    fi
done
exit $status
