#!/usr/bin/env bash
# compare_outputs.sh REFERENCE OTHER...: every build must print exactly the
# reference's lines. Log-sum lines of the random set are counted apart:
# until the project computes its own logarithm, each C library's log may
# differ from another's in the last bit.
set -u
reference=$1
shift
status=0
logsum='^random (shrink|sum) 2 '
for other in "$@"; do
    if [ ! -s "$other" ]; then
        echo "missing output: $other"
        status=1
        continue
    fi
    differing=$(diff <(grep -Ev "$logsum" "$reference") <(grep -Ev "$logsum" "$other") | grep -c '^[<>]')
    logsum_lines=$(diff <(grep -E "$logsum" "$reference") <(grep -E "$logsum" "$other") | grep -c '^<')
    echo "$(basename "$other"): $differing differing lines outside random log-sum; $logsum_lines random log-sum lines differ"
    if [ "$differing" -ne 0 ]; then
        diff <(grep -Ev "$logsum" "$reference") <(grep -Ev "$logsum" "$other") | head -10
        status=1
    fi
done
exit $status
