#!/usr/bin/env bash
# check_vector_objects.sh NM DIR: each object of DIR that holds a vector
# instruction set's kernels may define, for the linker to share, only code
# templated on its own lanes. Anything else it
# defines (an inline helper, a scalar instance) is compiled for the wider
# set, and the linker may keep that copy for every caller, so that a CPU
# without the set would fault in code that never asked for it.
set -u
nm=$1
status=0
for object in "$2"/*.o; do
    case $object in
    *kernels_sse2*) lanes=Sse2Lanes ;;
    *kernels_avx2*) lanes=Avx2Lanes ;;
    *kernels_avx512*) lanes=Avx512Lanes ;;
    *) continue ;;
    esac
    stray=$("$nm" -C --defined-only "$object" | awk '$2 ~ /^[TWV]$/' | grep -v "$lanes" | grep -v ' k[A-Za-z0-9]*Kernels$')
    echo "$(basename "$object"): $( [ -z "$stray" ] && echo "only $lanes code" || echo "also defines:")"
    if [ -n "$stray" ]; then
        echo "$stray" | head -10
        status=1
    fi
done
exit $status
