#!/usr/bin/env bash
# The demos run headless, and the first writes a real PNG.
set -eu
png=$1
rm -f "$png"
demo=$(dirname "$0")/../../../demo
PENALTY_DEMO_PNG=$png octave-cli --norc --no-history --no-window-system "$demo/penalty_demo.m" </dev/null
octave-cli --norc --no-history --no-window-system "$demo/lla_demo.m" </dev/null
signature=$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')
[ "$signature" = "89504e470d0a1a0a" ] || { echo "not a PNG: $png"; exit 1; }
echo "demo wrote $png"
