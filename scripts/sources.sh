#!/usr/bin/env sh
# sources.sh VAR...: the words of each variable of sources.mk, as make reads
# it (continuation lines, spacing), one variable's words to a line: the one
# way a shell script reads the list of sources, gateways and M files.
root=$(cd "$(dirname "$0")/.." && pwd)
for name in "$@"; do
    printf 'print:\n\t@echo $(%s)\n' "$name" | make -s --no-print-directory -f "$root/sources.mk" -f - print || exit 1
done
