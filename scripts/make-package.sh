#!/usr/bin/env bash
# make-package.sh [OUTDIR]: builds the Octave package tarball that
# `pkg install` accepts: DESCRIPTION, INDEX, COPYING, the help files and the
# demos in inst/, and in src/ the sources that sources.mk lists (with every header of
# their folders), sources.mk itself and a Makefile that builds the MEX files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/dist}
name=sparsepenalty
version=1.0.0

value() { "$root/scripts/sources.sh" "$@"; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
pkg=$stage/$name-$version
mkdir -p "$pkg/inst" "$pkg/src"

gateways=$(value PENALTY_GATEWAYS)
for gateway in $gateways; do
    cp "$root/matlab/help/$gateway.m" "$pkg/inst/"
done
for file in $(value PENALTY_M_FILES); do
    cp "$root/$file" "$pkg/inst/"
done
cp "$root/matlab/help/sparsepenalty.m" "$root/matlab/help/Contents.m" "$root/demo/penalty_demo.m" "$root/demo/lla_demo.m" "$root/demo/classifier_demo.m" "$pkg/inst/"
# classifier_demo reads its data beside itself.
mkdir -p "$pkg/inst/data"
cp "$root/demo/data/biopsy.csv" "$pkg/inst/data/"

files="$(value PENALTY_KERNEL_SOURCES) $(value PENALTY_GATEWAY_SOURCES)"
for gateway in $gateways; do
    files="$files matlab/$gateway.cpp"
done
for dir in $(value PENALTY_KERNEL_INCLUDE_DIRS) $(value PENALTY_GATEWAY_INCLUDE_DIRS); do
    files="$files $(cd "$root" && ls "$dir"/*.h)"
done
for file in $files; do
    mkdir -p "$pkg/src/$(dirname "$file")"
    cp "$root/$file" "$pkg/src/$file"
done
cp "$root/sources.mk" "$pkg/src/"
cp "$root/matlab/package/Makefile" "$pkg/src/Makefile"
cp "$root/matlab/package/INDEX" "$root/matlab/package/COPYING" "$pkg/"
sed -e "s/@VERSION@/$version/" -e "s/@DATE@/$(date -u +%Y-%m-%d)/" \
    "$root/matlab/package/DESCRIPTION.in" >"$pkg/DESCRIPTION"

mkdir -p "$out"
tar -C "$stage" -czf "$out/$name-$version.tar.gz" "$name-$version"
echo "$out/$name-$version.tar.gz"
