#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, skipping what is there.
set -euo pipefail
packages=(
  cmake make g++ googletest clang-format clang libclang-rt-14-dev python3
  g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine64 libwine-dev
  xvfb xauth xdotool imagemagick
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
  ffmpeg sox libsox-fmt-mp3
  wixl
)
# Wine's 32-bit side, for the tests of the 32-bit control; only where the kernel runs 32-bit
# programs: elsewhere its loader cannot start, and Debian's `wine` would then fail for 64-bit
# programs too.
if "$(dirname "$0")/runs-32bit.sh"; then
  packages+=(wine32:i386)
fi
# One query for all (a query per package costs seconds on a loaded machine); a name with an
# architecture (wine32:i386) must be installed for that architecture.
declare -A installed=()
while read -r status name arch; do
  [ "$status" = installed ] && installed[$name]=1 && installed[$name:$arch]=1
done < <(dpkg-query -W -f='${db:Status-Status} ${Package} ${Architecture}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
