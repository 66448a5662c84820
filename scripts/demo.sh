#!/usr/bin/env bash
# demo.sh BUILD JOBS: what `make demo` runs. Installs only what the demo
# needs, builds only the Octave MEX files, one line per step (the full log
# in BUILD/demo.log, its end shown if a step fails), then runs the demos.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
jobs=${2:-2}
cd "$root"
mkdir -p "$build"
log=$build/demo.log
: >"$log"

step() { # step <what> <command...>
    local what=$1
    shift
    printf '%s ... ' "$what"
    if "$@" >>"$log" 2>&1; then
        echo done
    else
        echo failed
        echo "--- the end of $log:"
        tail -n 30 "$log"
        exit 1
    fi
}

gateways=$(scripts/sources.sh PENALTY_GATEWAYS)
step "Installing what is missing (compiler, CMake, Octave, gnuplot)" scripts/install-deps.sh demo
step "Configuring the Octave MEX files" cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DPENALTY_OCTAVE=ON -DPENALTY_WINDOWS=OFF -DPENALTY_MATLAB=OFF -DPENALTY_SANITIZE=OFF -DPENALTY_FUZZ=OFF \
    -DPENALTY_THREADS=OFF -DPENALTY_X86=OFF
# shellcheck disable=SC2086 # one target per gateway
step "Building $(echo $gateways | wc -w) MEX files into dist/octave" cmake --build "$build" -j "$jobs" --target $gateways
echo
case $build in
/*) figures=$build/demo ;;
*) figures=$root/$build/demo ;;
esac
# fit_demo skips itself, with a message, where penaltyFit is not built.
octave-cli --norc --no-history --no-window-system --eval "addpath('$root/demo'); \
    penalty_demo('$figures/penalty_functions.png'); lla_demo(); fit_demo('$figures/fit_paths.png'); \
    classifier_demo('$figures');" </dev/null
