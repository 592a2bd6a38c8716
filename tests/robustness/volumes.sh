#!/usr/bin/env bash
# Mounts (or unmounts) the two small volumes the robustness tests write to where the machine
# allows it: a 3 MiB tmpfs that a test fills up, and a read-only tmpfs. Without the right to
# mount, it says so and the tests that need them skip.
#   volumes.sh mount|unmount <folder>
set -uo pipefail
action=${1:?usage: volumes.sh mount|unmount <folder>}
base=${2:?usage: volumes.sh mount|unmount <folder>}

unmount_all() {
  for dir in "$base/small" "$base/readonly"; do
    mountpoint -q "$dir" 2>/dev/null && umount "$dir" 2>/dev/null
  done
  return 0
}

case "$action" in
mount)
  unmount_all # a run that was cut short may have left them
  mkdir -p "$base/small" "$base/readonly"
  if ! mount -t tmpfs -o size=3m,mode=0777 tmpfs "$base/small" 2>/dev/null; then
    echo "volumes: cannot mount a tmpfs here (not allowed); the full-disk and read-only cases will skip"
    exit 0
  fi
  if mount -t tmpfs -o size=1m,mode=0777 tmpfs "$base/readonly" 2>/dev/null; then
    touch "$base/readonly/read-only-volume"
    mount -o remount,ro "$base/readonly" 2>/dev/null ||
      { umount "$base/readonly"; echo "volumes: cannot make a read-only mount; that case will skip"; }
  fi
  echo "volumes: mounted $base/small (3 MiB) and $base/readonly (read-only)"
  ;;
unmount)
  unmount_all
  ;;
*)
  echo "usage: volumes.sh mount|unmount <folder>" >&2
  exit 2
  ;;
esac
