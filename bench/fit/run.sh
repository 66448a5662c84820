#!/usr/bin/env bash
# run.sh BUILD JOBS: the path benchmark, what `make bench-fit` runs. Builds
# the Octave MEX files (penaltyValue scores the nonconvex paths; penaltyFit
# if this tree has it), writes the designs (make_data.py), fits glmnet's and
# scikit-learn's lasso paths, then fit_bench.m fits ours and scores every
# path with one evaluator into BUILD/bench-results/fit.md.
# Bounded: every peer fit gets FIT_TIMEOUT seconds (default 600; a fit cut
# off is reported as such), fit_bench.m gets FIT_OCTAVE_TIMEOUT (3600).
# FIT_CASES picks cases (default all six), GLMNET_THRESH glmnet's
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
export FIT_CASES=$cases FIT_REPEATS=$repeats FIT_DATA=$data FIT_RUNS=$runs FIT_OUT=$build/bench-results/fit.md
log=$build/bench-results/fit.log
: >"$log"

scripts/install-deps.sh bench
gateways=$(sed -n 's/^PENALTY_GATEWAYS = //p' sources.mk)
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
    if ! timeout "$timeout_s" "$@" >>"$log" 2>&1; then
        echo "bench-fit: $(basename "$prefix") did not finish within $timeout_s s" | tee -a "$log"
        printf 'timeout %s\n' "$timeout_s" >"$prefix.time"
    fi
}
for c in $cases; do
    for t in ${GLMNET_THRESH:-1e-7 1e-9 1e-11}; do
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
done

echo "bench-fit: penaltyFit and the scores (fit_bench.m)"
PENALTY_FIT_PATH=${PENALTY_FIT_PATH:-$root/dist/octave} timeout "${FIT_OCTAVE_TIMEOUT:-3600}" \
    octave-cli --norc --no-history --no-window-system bench/fit/fit_bench.m </dev/null
