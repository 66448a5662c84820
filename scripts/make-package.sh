#!/usr/bin/env bash
# make-package.sh [OUTDIR]: builds the Octave package tarball that
# `pkg install` accepts: DESCRIPTION, INDEX, COPYING, the help files (by
# matlab/assemble_help.m, with Octave), the functions written in M and the
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
# The help files and the functions written in M, their shared help filled in
# by the assembler every build uses.
shipped=
for gateway in $gateways; do
    shipped="$shipped, '$root/matlab/help/$gateway.m'"
done
for file in $(value PENALTY_HELP_FILES PENALTY_M_FILES); do
    shipped="$shipped, '$root/$file'"
done
octave-cli --norc --no-history --no-window-system \
    --eval "addpath('$root/matlab'); assemble_help('$pkg/inst'$shipped);" </dev/null >"$stage/help.log" 2>&1 \
    || { cat "$stage/help.log" >&2; exit 1; }
cp "$root/demo/penalty_demo.m" "$root/demo/lla_demo.m" "$root/demo/classifier_demo.m" \
    "$root/demo/demo_png_device.m" "$root/demo/demo_mex_folder.m" "$pkg/inst/"
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
