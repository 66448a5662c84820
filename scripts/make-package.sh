#!/usr/bin/env bash
# make-package.sh [OUTDIR]: builds the Octave package tarball that
# `pkg install` accepts: DESCRIPTION, INDEX, COPYING, the help files in
# inst/, and the sources with a src/Makefile that compiles both MEX files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/dist}
name=sparsepenalty
version=1.0.0

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
pkg=$stage/$name-$version
mkdir -p "$pkg/inst" "$pkg/src"

cp "$root"/help/penaltyShrink.m "$root"/help/penaltySum.m "$root"/help/Contents.m "$pkg/inst/"
shopt -s nullglob
for dir in penalty_codes natural_log simd shrink penalty_sum mex_gateway; do
    mkdir -p "$pkg/src/$dir"
    for file in "$root/$dir"/*.h "$root/$dir"/*.cpp; do
        case $file in
        */generate_tables.cpp | */find_hard_cases.cpp) ;; # development tools (MPFR)
        *) cp "$file" "$pkg/src/$dir/" ;;
        esac
    done
done
cp "$root/packaging/octave/Makefile" "$pkg/src/Makefile"
cp "$root/packaging/octave/INDEX" "$root/packaging/octave/COPYING" "$pkg/"
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date -u +%Y-%m-%d)/" \
    "$root/packaging/octave/DESCRIPTION.in" >"$pkg/DESCRIPTION"

mkdir -p "$out"
tar -C "$stage" -czf "$out/$name-$version.tar.gz" "$name-$version"
echo "$out/$name-$version.tar.gz"
