#!/usr/bin/env bash
# Makes the small media the planner tests and the fuzzers' seeds use: runs every script in
# tests/clip/media/ with the output folder as its working directory.
#   tests/clip/make-clip-media.sh <output folder>
set -euo pipefail
out=${1:?usage: make-clip-media.sh <output folder>}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
cd "$out"
for script in "$here"/media/*.sh; do
  [ -e "$script" ] || continue
  stamp=".done-$(basename "$script" .sh)-$(cksum < "$script" | cut -d' ' -f1)"
  [ -f "$stamp" ] && continue
  bash "$script"
  touch "$stamp"
done
