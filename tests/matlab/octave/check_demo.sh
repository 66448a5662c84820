#!/usr/bin/env bash
# The demos run headless, in one session that they leave as they found it
# (path and warnings), and the first writes a real PNG.
set -eu
png=$1
rm -f "$png"
demo=$(cd "$(dirname "$0")/../../../demo" && pwd)
octave-cli --norc --no-history --no-window-system --eval "
  addpath('$demo');
  before_path = path(); before_warnings = warning();
  penalty_demo('$png'); lla_demo();
  if ~strcmp(path(), before_path), error('the demos left the path changed'); end
  if ~isequal(warning(), before_warnings), error('the demos left the warnings changed'); end" </dev/null
signature=$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')
[ "$signature" = "89504e470d0a1a0a" ] || { echo "not a PNG: $png"; exit 1; }
echo "demo wrote $png"
