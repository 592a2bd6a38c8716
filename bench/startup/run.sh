#!/usr/bin/env bash
# Start-up benchmark: time from starting Klevotrim.exe to its main window being shown,
# against a bare Win32 window program started the same way under the same Wine. Both are
# started from inside Wine by StartupTimer.exe, in turns, several times; medians compared.
#   bench/startup/run.sh [build folder, default build/windows] [runs, default 7]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
runs=${2:-7}
if [ -z "${KLEVOTRIM_DISPLAY:-}" ]; then
  exec "$root/scripts/with-display.sh" "$build/wineprefix" "$0" "$build" "$runs"
fi
winpath() { local p; p=$(realpath "$1"); printf 'Z:%s' "${p//\//\\}"; }
for f in bench/startup/StartupTimer.exe bench/startup/BareWindow.exe app/Klevotrim.exe; do
  [ -f "$build/$f" ] || { echo "startup: $build/$f is missing; build the targets StartupTimer BareWindow Klevotrim" >&2; exit 1; }
done

out=$("$build/wine-run.sh" "$build/bench/startup/StartupTimer.exe" "$runs" \
  "$(winpath "$build/bench/startup/BareWindow.exe")" KlevotrimBareWindow \
  "$(winpath "$build/app/Klevotrim.exe")" KlevotrimMain 2>/dev/null | tr -d '\r')
echo "$out" | sed 's/^/  startup: /' >&2
bare=$(echo "$out" | sed -n 's/^KlevotrimBareWindow median \([0-9.]*\) ms.*/\1/p')
program=$(echo "$out" | sed -n 's/^KlevotrimMain median \([0-9.]*\) ms.*/\1/p')
[ -n "$bare" ] && [ -n "$program" ] || { echo "startup: no measurement ($out)"; exit 1; }
awk -v p="$program" -v b="$bare" -v n="$runs" 'BEGIN {
  r = p / b
  printf "startup to shown main window: %.0f ms (median of %d) vs bare Win32 window %.0f ms: ratio %.2f (target <= 1.5) %s\n",
         p, n, b, r, (r <= 1.5 ? "MET" : "NOT MET")
}'
