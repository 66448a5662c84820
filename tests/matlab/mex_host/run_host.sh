#!/usr/bin/env bash
# run_host.sh OUTPUT COMMAND...: runs a MEX host, keeps its output for the
# comparison across builds, and shows its failures and closing count.
set -u
output=$1
shift
"$@" >"$output" </dev/null
status=$?
grep '^FAIL' "$output" | head -20
tail -n 1 "$output"
exit $status
