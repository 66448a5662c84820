#!/usr/bin/env bash
# glm_run.sh BUILD: the GLM path benchmark, beside run.sh's least-squares
# one. Writes glm_data.py's designs, then case by case (the tools of one
# case see the same state of a shared machine) glmnet's binomial or Poisson
# lasso path, scikit-learn's l1 logistic path (binomial cases), and ours
# with one evaluator (glm_bench.m), into BUILD/bench-results/glm.md.
# Needs penaltyFit built in dist/octave (or PENALTY_FIT_PATH). GLM_CASES
# picks cases (default all six), GLM_TIMEOUT cuts a peer fit off (600 s),
# GLM_REPEATS the timed fits of glmnet and ours (3), GLMNET_THRESH glmnet's
# tolerances (1e-7 1e-9), SKLEARN_TOL scikit-learn's (1e-4); GLM_RELTOL and
# GLM_NONCONVEX_RELTOL as glm_bench.m reads them.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build}
cd "$root"
case $build in /*) ;; *) build=$root/$build ;; esac
data=$build/glm-data
runs=$build/bench-results/glm-runs
out=$build/bench-results/glm.md
mkdir -p "$data" "$runs"
cases=${GLM_CASES:-"binomial_n500_p5000_rho0.25 binomial_n500_p5000_rho0.75 binomial_n1000_p10000_rho0.25 poisson_n500_p5000_rho0.25 poisson_n500_p5000_rho0.75 poisson_n1000_p10000_rho0.25"}
timeout_s=${GLM_TIMEOUT:-600}
repeats=${GLM_REPEATS:-3}
log=$build/bench-results/glm.log
: >"$log"
rows=$out.rows
rm -f "$rows"
# shellcheck disable=SC2086 # one argument per case
/usr/bin/python3 bench/fit/glm_data.py "$data" $cases
peer() { # peer <prefix> <command...>: one peer fit, cut off after timeout_s
    local prefix=$1
    shift
    rm -f "$prefix.time" "$prefix.coef.f64"
    if ! timeout --foreground "$timeout_s" "$@" >>"$log" 2>&1; then
        echo "glm-bench: $(basename "$prefix") did not finish within $timeout_s s" | tee -a "$log"
        printf 'timeout %s\n' "$timeout_s" >"$prefix.time"
    fi
}
loads=()
for c in $cases; do
    loads+=("$c: $(cut -d' ' -f1-3 /proc/loadavg)")
    rm -f "$runs/$c".*
    for t in ${GLMNET_THRESH:-1e-7 1e-9}; do
        echo "glm-bench: $c: glmnet, thresh $t"
        peer "$runs/$c.glmnet$t" Rscript bench/fit/glm_glmnet.R "$data/$c" "$runs/$c.glmnet$t" "$t" "$repeats"
    done
    case $c in binomial_*)
        for t in ${SKLEARN_TOL:-1e-4}; do
            echo "glm-bench: $c: scikit-learn, tol $t"
            peer "$runs/$c.sklearn$t" /usr/bin/python3 bench/fit/glm_sklearn.py "$data/$c" "$runs/$c.sklearn$t" "$t"
        done ;;
    esac
    echo "glm-bench: $c: penaltyFit, and every path scored (glm_bench.m)"
    GLM_DATA=$data GLM_RUNS=$runs GLM_CASES=$c GLM_ROWS=$rows GLM_REPEATS=$repeats \
        PENALTY_FIT_PATH=${PENALTY_FIT_PATH:-$root/dist/octave} \
        octave-cli --norc --no-history --no-window-system bench/fit/glm_bench.m </dev/null >>"$log" 2>&1
done
{
    echo "# GLM paths: penaltyFit, glmnet and scikit-learn"
    echo
    echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores. Load average (1, 5, 15 min) as each case began: ${loads[*]}."
    echo "Seconds: median over $repeats timed fits (range); scikit-learn once (100 separate fits)."
    echo "Gap: the largest relative excess, along the path, of the objective over the best any tool"
    echo "reached at the same lambda, scored by one evaluator (glm_bench.m)."
    echo
    echo "| case | tool | path | seconds | gap | lambdas |"
    echo "|---|---|---|---|---|---|"
    cat "$rows"
} >"$out"
rm -f "$rows"
echo "glm-bench: results in $out"
