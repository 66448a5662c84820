#!/usr/bin/env bash
# compare_outputs.sh REFERENCE OTHER...: every build must print exactly the
# reference's lines: the same results, bit for bit, and the same errors. A
# replay that this machine could not start left one SKIPPED line instead.
set -u
reference=$1
shift
status=0
for other in "$@"; do
    if [ ! -s "$other" ]; then
        echo "missing output: $other"
        status=1
        continue
    fi
    if grep -q '^SKIPPED:' "$other"; then
        echo "$(basename "$other"): not compared, $(head -n 1 "$other")"
        continue
    fi
    differing=$(diff "$reference" "$other" | grep -c '^<')
    echo "$(basename "$other"): $differing of $(wc -l <"$reference") lines differ"
    if [ "$differing" -ne 0 ]; then
        diff "$reference" "$other" | cut -c1-300 | head -10
        status=1
    fi
done
exit $status
