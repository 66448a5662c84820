#!/usr/bin/env bash
# run_host.sh OUTPUT COMMAND...: runs a MEX host, keeps its output for the
# comparison across builds, and shows its failures and closing count.
set -u
output=$1
shift
"$@" >"$output" </dev/null
status=$?
grep '^FAIL' "$output" | head -20
if [ "$status" -ne 0 ] && ! grep -q '^FAIL' "$output"; then
    # No case failed, so the host did not run: show why. Under Wine that is
    # most often a 32-bit program on a machine that cannot start one (no
    # wine32, or a kernel without 32-bit execution: /lib/ld-linux.so.2 --version).
    echo "run_host: $1 ended with status $status before reporting any case:"
    grep -v '^[[:space:]]*$' "$output" | tail -n 5
else
    tail -n 1 "$output"
fi
exit $status
