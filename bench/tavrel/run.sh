#!/usr/bin/env bash
# Runs the seek-bar benchmark of an existing Windows build under Wine (builds nothing).
#   bench/tavrel/run.sh <windows build folder>
# Registers that build's Tavrel.ocx in the build's private Wine prefix, then runs
# bench_tavrel.exe on a private X display.
set -euo pipefail
build=$(cd "${1:?usage: bench/tavrel/run.sh <windows build folder>}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$(find "$build" -name bench_tavrel.exe -print -quit)
ocx="$build/tavrel/Tavrel.ocx"
[ -n "$exe" ] || { echo "bench_tavrel.exe not found under $build; build the target bench_tavrel" >&2; exit 1; }
[ -f "$ocx" ] || { echo "$ocx not found; build the target Tavrel" >&2; exit 1; }
winpath="Z:$(printf %s "$ocx" | tr / '\\')"
"$root/scripts/with-display.sh" "$build/wineprefix" sh -c \
  '"$1/wine-run.sh" regsvr32 /s "$2" && "$1/wine-run.sh" "$3"' bench "$build" "$winpath" "$exe"
