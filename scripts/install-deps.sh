#!/usr/bin/env bash
# install-deps.sh [demo|bench]: installs, from Debian's packages, whatever
# the build and the tests need and this machine lacks; with `demo`, only what
# the demo needs (a compiler, CMake, Octave with mkoctfile, gnuplot); with
# `bench`, the demo's needs and the path benchmark's peers (R with glmnet,
# Python with scikit-learn), which nothing else pulls in. Safe to run again:
# it installs nothing that is present.
set -euo pipefail
only_demo=false
peers=false
case "${1:-}" in
demo) only_demo=true ;;
bench) only_demo=true peers=true ;;
esac

missing=()
need() { # need <package> <check command...>
    local package=$1
    shift
    "$@" >/dev/null 2>&1 || missing+=("$package")
}
has() { command -v "$1"; }

need g++ has g++
need make has make
need cmake has cmake
need octave has octave-cli
need liboctave-dev has mkoctfile
# The demo's figure: gnuplot draws it headless, Octave's text needs FreeSans.
need gnuplot-nox has gnuplot
need fonts-freefont-otf test -f /usr/share/fonts/opentype/freefont/FreeSans.otf
if $peers; then
    need r-base-dev test -f /usr/share/R/debian/r-cran.mk # R with its build tools, as glmnet's users have it
    need r-cran-glmnet Rscript -e 'library(glmnet)'
    need python3-sklearn /usr/bin/python3 -c 'import sklearn, scipy, threadpoolctl'
fi
if ! $only_demo; then
    need libgtest-dev test -f /usr/include/gtest/gtest.h
    need libbenchmark-dev test -f /usr/include/benchmark/benchmark.h
    need libmpfr-dev test -f /usr/include/mpfr.h # the reference for naturalLog, in tests only
    # Sanitizer, fuzzing and thread-checking builds: clang and its runtimes (libFuzzer).
    need clang has clang++
    need libclang-rt-14-dev test -f /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a
    need g++-mingw-w64-x86-64-win32 has x86_64-w64-mingw32-g++
    need g++-mingw-w64-i686-win32 has i686-w64-mingw32-g++
    need wine has wine
    need wine64 test -x /usr/lib/wine/wine64
    # The 32-bit x86 Linux build of the tests, run under qemu-i386 where the
    # kernel starts no 32-bit program.
    # (g++ -m32 -print-file-name falls back to the 64-bit library where the
    # 32-bit one is missing, so the test links a program.)
    need g++-multilib sh -c 'echo "int main() {}" | g++ -m32 -x c++ - -o /dev/null 2>/dev/null'
    need qemu-user has qemu-i386
    # 32-bit Wine only where the kernel can start a 32-bit program; elsewhere
    # the 32-bit replays are skipped and wine32 would be of no use.
    if "$(dirname "$0")/runs-32-bit.sh"; then
        need wine32:i386 dpkg-query -W -f='${Status}' wine32:i386
    else
        echo "install-deps: this machine cannot start 32-bit programs, so wine32 is left out" >&2
    fi
fi

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

# 32-bit Wine comes from Debian's i386 architecture.
add_arch=""
if [[ " ${missing[*]} " == *" wine32:i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    add_arch="dpkg --add-architecture i386"
fi
install_line="DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends"
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing ${missing[*]}; as root, run:" >&2
    echo "  ${add_arch:+$add_arch && }apt-get update && $install_line ${missing[*]}" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
[ -z "$add_arch" ] || $add_arch
# A mirror caught mid-sync fails one index while the others are fine: try
# again a few times, then go on with what was read and let apt-get install
# say if a package is missing.
for attempt in 1 2 3; do
    apt-get update -q && break
    echo "install-deps: apt-get update reported errors (attempt $attempt of 3)" >&2
    [ "$attempt" -eq 3 ] || sleep 60
done
# The i386 packages go in on their own: a broken i386 index must not cost
# the rest. Without wine32 the 32-bit replays fail and say why.
native=()
foreign=()
for package in "${missing[@]}"; do
    case "$package" in
    *:i386) foreign+=("$package") ;;
    *) native+=("$package") ;;
    esac
done
[ ${#native[@]} -eq 0 ] || eval "$install_line ${native[*]}"
if [ ${#foreign[@]} -ne 0 ] && ! eval "$install_line ${foreign[*]}"; then
    echo "install-deps: could not install ${foreign[*]}; the 32-bit Wine replays will fail" >&2
fi
