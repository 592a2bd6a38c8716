#!/usr/bin/env bash
# Installs what is missing, builds both sides and runs every test:
# the portable units natively, then the Windows side under Wine on a private display.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh
scripts/check-format.sh
scripts/check-layers.sh

echo "== Native build and unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

echo "== Fuzzing the clip planners (bounded time)"
scripts/run-fuzzers.sh

echo "== Windows build (mingw-w64)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

echo "== Windows x86 build of the control (mingw-w64 i686)"
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 -j "$jobs"

echo "== Installer package with both builds of the control"
# The x64 build's configure finds the x86 Tavrel.ocx once it exists.
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs" --target klevotrim_msi klevotrim_msi_older

echo "== Windows tests under Wine"
scripts/with-display.sh "$PWD/build/windows/wineprefix" ctest --preset windows "$@"

if scripts/runs-32bit.sh; then
  echo "== The control's tests under Wine's 32-bit side"
  scripts/with-display.sh "$PWD/build/windows-x86/wineprefix" ctest --preset windows-x86 "$@"
else
  echo "== The control's tests under Wine's 32-bit side: skipped, this kernel runs no 32-bit programs"
  ctest --preset windows-x86 -R '^tavrel_x86_library$'
fi
