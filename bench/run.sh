#!/usr/bin/env bash
# Runs every benchmark in one go and prints one line per figure with its ratio to its
# reference. Each area keeps its own bench/<area>/run.sh (tavrel, cutting, app, startup,
# idle); an area without one is skipped. The benchmarks are slow and are not part of
# ./test.sh.
#   bench/run.sh [build folder, default build/windows]
# Each area's run.sh takes the build folder as its first argument and prints its figures
# on stdout, one line each; details go to stderr.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
[ -d "$build" ] || { echo "bench: no build folder $build (build the windows preset first)" >&2; exit 1; }
build=$(cd "$build" && pwd)

# One private display and one warm wineserver for all of them.
if [ -z "${KLEVOTRIM_DISPLAY:-}" ]; then
  exec "$root/scripts/with-display.sh" "$build/wineprefix" "$0" "$build"
fi

# What the benchmarks need in the prefix: the control library registered, the sample media.
if [ -f "$build/tavrel/Tavrel.ocx" ]; then
  ocx=$(realpath "$build/tavrel/Tavrel.ocx")
  "$build/wine-run.sh" regsvr32 /s "Z:${ocx//\//\\}" >/dev/null 2>&1 ||
    echo "bench: registering Tavrel.ocx failed" >&2
fi
"$root/scripts/make-test-media.sh" "$build/media" >/dev/null 2>&1 || echo "bench: sample media could not be made" >&2

results=()
status=0
for area in tavrel cutting app startup idle; do
  script="$root/bench/$area/run.sh"
  if [ ! -x "$script" ]; then
    echo "== $area: no benchmark (bench/$area/run.sh missing)" >&2
    continue
  fi
  echo "== $area" >&2
  if output=$("$script" "$build"); then
    :
  else
    echo "bench: $area failed" >&2
    status=1
  fi
  while IFS= read -r line; do
    [ -n "$line" ] && results+=("$area: $line")
  done <<<"$output"
done

echo
echo "Benchmark figures (build: $build)"
for line in "${results[@]}"; do echo "$line"; done
exit $status
