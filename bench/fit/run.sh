#!/usr/bin/env bash
# run.sh BUILD JOBS: the path benchmark, what `make bench-fit` runs. Builds
# the Octave MEX files (penaltyValue scores the nonconvex paths; penaltyFit
# if this tree has it), writes the designs (make_data.py), fits glmnet's and
# scikit-learn's lasso paths, then fit_bench.m fits ours and scores every
# path with one evaluator into BUILD/bench-results/fit.md, case by case.
# Bounded: every peer fit gets FIT_TIMEOUT seconds (default 600; a fit cut
# off is reported as such), fit_bench.m FIT_OCTAVE_TIMEOUT (3600) per case.
# FIT_CASES picks cases (default all six), FIT_OUT the report (and its
# .log beside it), FIT_RELTOL penaltyFit's tolerances, GLMNET_THRESH glmnet's
# tolerances, SKLEARN_TOL scikit-learn's, FIT_REPEATS the timed fits of
# glmnet and penaltyFit (default 3); scikit-learn is fitted once per path
# (SKLEARN_REPEATS), being 50 to 100 times slower.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build}
jobs=${2:-2}
cd "$root"
case $build in /*) ;; *) build=$root/$build ;; esac
data=$build/bench-data
runs=$build/bench-results/fit-runs
mkdir -p "$data" "$runs"
timeout_s=${FIT_TIMEOUT:-600}
repeats=${FIT_REPEATS:-3}
cases=${FIT_CASES:-"n500_p5000_rho0.25 n500_p5000_rho0.75 n1000_p10000_rho0.25 n1000_p10000_rho0.75 n100000_p100_rho0.25 n1000_p10000_sparse1pct"}
export FIT_CASES=$cases FIT_REPEATS=$repeats FIT_DATA=$data FIT_RUNS=$runs FIT_OUT=${FIT_OUT:-$build/bench-results/fit.md}
mkdir -p "$(dirname "$FIT_OUT")"
log=${FIT_OUT%.md}.log
: >"$log"

scripts/install-deps.sh bench
gateways=$(scripts/sources.sh PENALTY_GATEWAYS)
echo "bench-fit: building the Octave MEX files (the log: $log)"
{
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DPENALTY_OCTAVE=ON \
        -DPENALTY_WINDOWS=OFF -DPENALTY_MATLAB=OFF -DPENALTY_SANITIZE=OFF -DPENALTY_FUZZ=OFF -DPENALTY_THREADS=OFF
    # shellcheck disable=SC2086 # one target per gateway
    cmake --build "$build" -j "$jobs" --target $gateways
} >>"$log" 2>&1 || { tail -n 30 "$log"; exit 1; }

echo "bench-fit: the designs into $data"
# shellcheck disable=SC2086 # one argument per case
/usr/bin/python3 bench/fit/make_data.py "$data" $cases

peer() { # peer <prefix> <command...>: one peer fit, cut off after timeout_s
    local prefix=$1
    shift
    rm -f "$prefix.time" "$prefix.coef.f64"
    # --foreground: an interrupt of make reaches the fit too.
    if ! timeout --foreground "$timeout_s" "$@" >>"$log" 2>&1; then
        echo "bench-fit: $(basename "$prefix") did not finish within $timeout_s s" | tee -a "$log"
        printf 'timeout %s\n' "$timeout_s" >"$prefix.time"
    fi
}
ours=${PENALTY_FIT_PATH:-$root/dist/octave}
rm -f "$FIT_OUT.rows" "$FIT_OUT.ratios"
loads=()
# Case by case, the peers and then ours: the tools of one case see the same
# state of a shared machine.
for c in $cases; do
    loads+=("$c: $(cut -d' ' -f1-3 /proc/loadavg)")
    rm -f "$runs/$c".*
    for t in ${GLMNET_THRESH:-1e-7 1e-9 1e-10 1e-11}; do
        echo "bench-fit: $c: glmnet, thresh $t"
        peer "$runs/$c.glmnet$t" Rscript bench/fit/glmnet_path.R "$data/$c" "$runs/$c.glmnet$t" "$t" "$repeats"
    done
    for t in ${SKLEARN_TOL:-1e-4}; do
        echo "bench-fit: $c: scikit-learn, tol $t"
        # numpy's BLAS with its own choice of kernel (see the env notes on
        # OPENBLAS_CORETYPE); threadpoolctl's report lands in the .time file.
        peer "$runs/$c.sklearn$t" env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE /usr/bin/python3 \
            bench/fit/sklearn_path.py "$data/$c" "$runs/$c.sklearn$t" "$t" "${SKLEARN_REPEATS:-1}"
    done
    echo "bench-fit: $c: penaltyFit, and every path scored (fit_bench.m)"
    FIT_CASES=$c PENALTY_FIT_PATH=$ours timeout --foreground "${FIT_OCTAVE_TIMEOUT:-3600}" \
        octave-cli --norc --no-history --no-window-system bench/fit/fit_bench.m </dev/null
done

first() { sed -n "s/^$2 //p" "$1" 2>/dev/null | head -n 1; }
any_case=$(echo "$cases" | cut -d' ' -f1)
# PENALTY_FIT_LABEL says which penaltyFit that is, where $ours is no git tree.
our_commit=${PENALTY_FIT_LABEL:-$(git -C "$ours" log -1 --format='%h %s' 2>/dev/null | cut -c1-80 || true)}
{
    echo "# Regularisation paths: penaltyFit, glmnet and scikit-learn"
    echo
    echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores; glmnet $(first "$runs/$any_case.glmnet1e-7.time" version),"
    echo "scikit-learn $(first "$runs/$any_case.sklearn1e-4.time" version) (threadpoolctl: $(first "$runs/$any_case.sklearn1e-4.time" blas)),"
    if grep -q '| penaltyFit |' "$FIT_OUT.rows"; then
        echo "penaltyFit from $ours${our_commit:+ ($our_commit)}."
    else
        echo "penaltyFit is not built in $ours: only the peers were run and scored."
    fi
    echo "Load average (1, 5, 15 min) as each case began: ${loads[*]}."
    echo
    echo "Seconds: median over $repeats timed fits (range), scikit-learn ${SKLEARN_REPEATS:-1}; 100 lambdas each."
    echo "Gap: the largest relative excess, along the path, of the lasso objective over the best that"
    echo "any tool reached at the same lambda, all scored by one evaluator (fit_bench.m). Last"
    echo "column: lambdas returned (peers) or converged (penaltyFit). Ratios (bench/fit/ratios.py):"
    echo "each tool's lasso at the fastest of its settings whose gap is within the limit; our"
    echo "nonconvex paths, fitted at the loosest RelTol whose lasso is within 1e-6 (else the tightest),"
    echo "against glmnet's lasso at each limit."
    echo
    echo "| case | tool | path | seconds | gap | lambdas, or a note |"
    echo "|---|---|---|---|---|---|"
    cat "$FIT_OUT.rows"
    if grep -q '| penaltyFit |' "$FIT_OUT.rows"; then
        echo
        /usr/bin/python3 bench/fit/ratios.py "$FIT_OUT.rows" 1e-5 1e-6
        echo
        echo "| case | ratio of penaltyFit's times | value |"
        echo "|---|---|---|"
        grep 'sparse X /' "$FIT_OUT.ratios" || true
    fi
} >"$FIT_OUT"
rm -f "$FIT_OUT.rows" "$FIT_OUT.ratios"
echo "bench-fit: results in $FIT_OUT"
