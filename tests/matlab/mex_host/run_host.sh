#!/usr/bin/env bash
# run_host.sh [--32-bit] OUTPUT COMMAND...: runs a MEX host, keeps its output
# for the comparison across builds, and shows its failures and closing count.
# With --32-bit the host is a 32-bit program: on a machine whose kernel cannot
# start one at all (some virtual machines run 64-bit code only), the replay is
# skipped (status 77) and its output says so, so that the comparison can tell
# a replay that could not run from one that was lost.
set -u
if [ "$1" = "--32-bit" ]; then
    shift
    if ! "$(dirname "$0")/../../../scripts/runs-32-bit.sh"; then
        echo "SKIPPED: this machine cannot start a 32-bit program (scripts/runs-32-bit.sh)" | tee "$1"
        exit 77
    fi
fi
output=$1
shift
"$@" >"$output" </dev/null
status=$?
grep '^FAIL' "$output" | head -20
if [ "$status" -ne 0 ] && ! grep -q '^FAIL' "$output"; then
    # No case failed, so the host did not run: show why.
    echo "run_host: $1 ended with status $status before reporting any case:"
    grep -v '^[[:space:]]*$' "$output" | tail -n 5
else
    tail -n 1 "$output"
fi
exit $status
