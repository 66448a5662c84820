#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SECONDS WORK_CORPUS SEED_CORPUS: runs a libFuzzer
# target for a bounded time, growing WORK_CORPUS (the seeds stay as they
# are), and reports how many inputs ran. Any finding fails the run.
set -u
fuzzer=$1 seconds=$2 work=$3 seeds=$4
mkdir -p "$work"
log=$(mktemp)
"$fuzzer" "$work" "$seeds" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 \
    -print_pcs=0 >"$log" 2>&1
status=$?
grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$log"
if [ $status -ne 0 ]; then
    grep -v '^#' "$log" | tail -40
fi
rm -f "$log"
exit $status
