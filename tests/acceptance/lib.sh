# Shared helpers for driving Klevotrim.exe under Wine with real X input (xdotool) and
# reading its windows from outside (KlevotrimInspector.exe). Sourced by the acceptance
# session and by the benchmarks that need a playing program.
#
# The caller sets: WINE_RUN (the build's wine-run.sh), INSPECTOR (KlevotrimInspector.exe),
# DISPLAY (the private X display).

BLOCK_SIZE=1048576

# The checks' tally and report, shared by every script that runs checks.
failures=0
pass() { echo "  ok: $*"; }
fail() {
  echo "  FAIL: $*"
  failures=$((failures + 1))
}
check() { # check <description> <command...>
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# Runs the inspector; output without Wine's CRs.
inspect() {
  "$WINE_RUN" "$INSPECTOR" "$@" 2>/dev/null | tr -d '\r'
}

# Windows path of a Unix path, as the program's dialogs take it.
windows_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# field <inspector line> <name>: one field of a window line (text= is the rest of the line).
field() {
  if [ "$2" = text ]; then
    printf '%s' "${1#* text=}"
  else
    printf '%s' "$1" | sed -n "s/.* $2=\([^ ]*\).*/\1/p;s/^$2=\([^ ]*\).*/\1/p" | head -n1
  fi
}

# main_tree: the main window and all its controls (empty when it is not there).
main_tree() {
  inspect tree class=KlevotrimMain
}

# control <tree> <id>: the line of the control with that id (first match).
control() {
  printf '%s\n' "$1" | grep -m1 " id=$2 class="
}

# control_of_class <tree> <class>
control_of_class() {
  printf '%s\n' "$1" | grep -m1 " class=$2 "
}

# rect_of <line>: "left top right bottom"
rect_of() {
  field "$1" rect | tr ',' ' '
}

# center_of <line>: "x y" of the window's middle
center_of() {
  local l t r b
  read -r l t r b <<<"$(rect_of "$1")"
  echo "$(((l + r) / 2)) $(((t + b) / 2))"
}

# click_at <x> <y> [button]: a real click, with the pointer resting a moment first.
click_at() {
  xdotool mousemove "$1" "$2" sleep 0.15 click "${3:-1}"
}

# click_control <tree> <id>
click_control() {
  local x y
  read -r x y <<<"$(center_of "$(control "$1" "$2")")"
  click_at "$x" "$y"
}

# drag_from <x> <y> <steps> <dx> <dy>: press the left button, move in small steps, release.
drag_from() {
  local x=$1 y=$2 steps=$3 dx=$4 dy=$5 i
  xdotool mousemove "$x" "$y" sleep 0.2 mousedown 1 sleep 0.2
  for ((i = 0; i < steps; i++)); do
    xdotool mousemove_relative -- "$dx" "$dy" sleep 0.04
  done
  xdotool sleep 0.2 mouseup 1 sleep 0.3
}

# type_into_dialog <text>: types into the focused field of a dialog and presses Enter.
type_into_dialog() {
  xdotool sleep 0.3 type --delay 8 "$1"
  xdotool sleep 0.2 key Return
}

# open_by_dialog <unix path>: clicks cmdOpen, types the path into the open dialog.
# Returns non-zero when the dialog did not come or did not go.
open_by_dialog() {
  local tree
  tree=$(main_tree)
  click_control "$tree" 1001
  inspect wait 'class=#32770/title=Open' 15000 >/dev/null || return 1
  type_into_dialog "$(windows_path "$1")"
  inspect gone 'class=#32770/title=Open' 15000 >/dev/null || return 2
}

# seconds_of <hh:mm:ss>
seconds_of() {
  local h m s
  IFS=: read -r h m s <<<"$1"
  echo $((10#$h * 3600 + 10#$m * 60 + 10#$s))
}

# play_time <tree>: position and duration in seconds from lblTime ("Time:hh:mm:ss/hh:mm:ss").
play_time() {
  local text
  text=$(field "$(control "$1" 21)" text)
  text=${text#Time:}
  echo "$(seconds_of "${text%/*}") $(seconds_of "${text#*/}")"
}

# start_program <program.exe> <log>: starts Klevotrim in the background; sets PROGRAM_PID
# (the Linux process of Klevotrim.exe: Wine keeps the id through its exec chain).
start_program() {
  "$WINE_RUN" "$1" >"$2" 2>&1 </dev/null &
  PROGRAM_PID=$!
}

# stop_program: asks the main window to close, then ends our own process if it stays.
# Never fails, so that callers running with errexit can use it in their exit trap.
stop_program() {
  [ -n "${PROGRAM_PID:-}" ] || return 0
  if kill -0 "$PROGRAM_PID" 2>/dev/null; then
    inspect close class=KlevotrimMain >/dev/null || true
    for _ in $(seq 1 100); do
      kill -0 "$PROGRAM_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$PROGRAM_PID" 2>/dev/null || true
  fi
  wait "$PROGRAM_PID" 2>/dev/null || true
  PROGRAM_PID=""
}

# Waits up to 15 s for the time text to show a just-opened file's duration; prints the last
# duration it saw.
wait_for_duration() { # wait_for_duration <seconds>
  local seen=""
  for _ in $(seq 1 30); do
    read -r _ seen <<<"$(play_time "$(main_tree)")"
    [ "$seen" = "$1" ] && break
    sleep 0.5
  done
  printf '%s' "$seen"
}
