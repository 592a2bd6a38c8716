#!/usr/bin/env bash
# Runs a command with a private X display (Xvfb) and a warm wineserver for a Wine prefix,
# and tears both down afterwards, so that tests never touch the user's display or prefix.
#   scripts/with-display.sh <wine prefix> <command...>
set -uo pipefail
prefix=${1:?usage: with-display.sh <wine prefix> <command...>}
shift

display=""
for n in $(seq 91 140); do
  if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "with-display: no free X display number" >&2; exit 1; }

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done

export KLEVOTRIM_DISPLAY="$display"
export KLEVOTRIM_WINEPREFIX="$prefix"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" >/dev/null 2>&1 || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [ ! -f "$prefix/system.reg" ]; then
  echo "Creating the private Wine prefix $prefix ..."
  mkdir -p "$prefix"
  DISPLAY="$display" wineboot -u </dev/null >/dev/null 2>&1
  wineserver -w
fi
# A persistent wineserver saves ~2.5 s per test program; its output must not reach the
# test runner's pipes, or the runner waits for it.
wineserver -p </dev/null >/dev/null 2>&1
DISPLAY="$display" wine cmd /c exit </dev/null >/dev/null 2>&1
# A crashing test must fail at once, not wait behind Wine's crash dialog until its timeout.
DISPLAY="$display" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  </dev/null >/dev/null 2>&1

DISPLAY="$display" "$@"
