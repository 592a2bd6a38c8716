#!/usr/bin/env bash
# A newcomer's whole session with Klevotrim, as a user meets it: the real Klevotrim.exe under
# Wine on a private X display, driven only with real X input (xdotool clicks, drags and
# typing into the real dialogs), checked from outside with KlevotrimInspector.exe and
# screenshots. Every step's screenshot is kept in the artifacts folder.
#
#   session.sh --wine-run <wine-run.sh> --program <Klevotrim.exe> --inspector <inspector.exe>
#              --artifacts <folder>
#
# The display comes from KLEVOTRIM_DISPLAY (scripts/with-display.sh sets it). Exit status:
# 0 every check passed, 1 a check failed, 77 skipped (no display or a missing tool).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

while [ $# -gt 0 ]; do
  case "$1" in
  --wine-run) WINE_RUN=$2 ;;
  --program) PROGRAM=$2 ;;
  --inspector) INSPECTOR=$2 ;;
  --artifacts) ARTIFACTS=$2 ;;
  *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
  shift 2
done
: "${WINE_RUN:?}" "${PROGRAM:?}" "${INSPECTOR:?}" "${ARTIFACTS:?}"

if [ -z "${KLEVOTRIM_DISPLAY:-}" ]; then
  echo "SKIP: no private X display; run the tests under scripts/with-display.sh"
  exit 77
fi
for tool in xdotool import compare convert ffmpeg cmp sha256sum; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
export DISPLAY=$KLEVOTRIM_DISPLAY
# shellcheck source=lib.sh
. "$here/lib.sh"

rm -rf "$ARTIFACTS"
mkdir -p "$ARTIFACTS/out"
work="$ARTIFACTS/../work"
mkdir -p "$work"

step=0
section() {
  step=$((step + 1))
  echo "== $step. $*"
}
shot() { # shot <name>: the whole screen as the user sees it now
  import -window root "$ARTIFACTS/$(printf %02d "$step")-$1.png" 2>/dev/null
}
finish() {
  stop_program
  echo
  if [ "$failures" -eq 0 ]; then
    echo "Session passed. Screenshots: $ARTIFACTS"
    exit 0
  fi
  echo "Session FAILED: $failures check(s). Screenshots: $ARTIFACTS"
  exit 1
}
abort() {
  fail "$*"
  inspect list | grep 'visible=1' | sed 's/^/    /'
  shot aborted
  finish
}
trap 'stop_program' EXIT

same_text() { [ "$1" = "$2" ] || { echo "    expected [$2], saw [$1]"; return 1; }; }
enabled_is() { # enabled_is <tree> <id> <0|1>
  local seen
  seen=$(field "$(control "$1" "$2")" enabled)
  [ "$seen" = "$3" ] || { echo "    control $2: enabled=$seen, expected $3"; return 1; }
}
visible_is() {
  local seen
  seen=$(field "$(control "$1" "$2")" visible)
  [ "$seen" = "$3" ] || { echo "    control $2: visible=$seen, expected $3"; return 1; }
}
is_rotation() { # is_rotation <seen> <text>: seen is text with some leading characters moved to its end
  [ "${#1}" -eq "${#2}" ] && [[ "$2$2" == *"$1"* ]] || { echo "    [$1] is not a rotation of [$2]"; return 1; }
}
within() { # within <value> <expected> <tolerance>
  local d=$(($1 - $2))
  [ "${d#-}" -le "$3" ] || { echo "    $1 is not within $3 of $2"; return 1; }
}
window_size() { # "width height" of a window line
  local l t r b
  read -r l t r b <<<"$(rect_of "$1")"
  echo "$((r - l)) $((b - t))"
}
again_if_open() { # again_if_open <dialog line>: Enter once more if a busy machine lost the first
  local hwnd
  hwnd=$(field "$1" hwnd)
  for _ in 1 2; do
    inspect gone "$hwnd" 8000 >/dev/null && return 0
    xdotool key Return
  done
}
pixel_at() { # pixel_at <png> <x> <y>: "r,g,b"
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- | sed -n '2s/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p'
}

# ---- The source: an MPEG movie of known length, large enough for many 1 MiB blocks.
# At 16 Mbit/s the 60 s make 115 whole blocks: the copy of half of them lasts long enough
# for the progress window to be seen.
source="$work/session-source-16m.mpg"
if [ ! -s "$source" ]; then
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc=size=320x240:rate=25:duration=60" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=60" \
    -c:v mpeg1video -b:v 16000k -minrate 16000k -maxrate 16000k -bufsize 4000k \
    -c:a mp2 -b:a 128k -f mpeg "$source.part" && mv "$source.part" "$source" ||
    abort "cannot generate the source movie"
fi
source_size=$(stat -c %s "$source")
source_sum=$(sha256sum "$source" | cut -d' ' -f1)
source_mtime=$(stat -c %Y "$source")
clip="$ARTIFACTS/out/my clip.mpg"
echo "Source: $source ($source_size bytes)"

# A newcomer: no stored preferences.
"$WINE_RUN" reg delete 'HKCU\Software\Parvane\Klevotrim' /f >/dev/null 2>&1

# ---------------------------------------------------------------------------------------
section "Start: the main window appears with nothing open"
start_program "$PROGRAM" "$ARTIFACTS/klevotrim.log"
main=$(inspect wait class=KlevotrimMain 60000) || abort "the main window did not appear within 60 s"
sleep 1
tree=$(main_tree)
shot start
read -r w h <<<"$(window_size "$main")"
check "window is 591 x 471 pixels (8,865 x 7,065 twips)" same_text "$w x $h" "591 x 471"
check "title \"Klevotrim 1.0\"" same_text "$(field "$main" text)" "Klevotrim 1.0"
check "lblName shows \" Klevotrim 1.0 \"" same_text "$(field "$(control "$tree" 20)" text)" " Klevotrim 1.0 "
check "lblTime shows Time:00:00:00/00:00:00" same_text "$(field "$(control "$tree" 21)" text)" "Time:00:00:00/00:00:00"
for id in 1001 1002; do check "button $id enabled" enabled_is "$tree" "$id" 1; done
for id in 1003 1004 1005 1006 1007; do check "button $id disabled" enabled_is "$tree" "$id" 0; done
check "the cut-range bar is hidden" visible_is "$tree" 14 0
check "the seek bar is on the panel" test -n "$(control_of_class "$tree" TavrelNavigationSlider)"

# ---------------------------------------------------------------------------------------
section "Drag the window by its surface"
read -r l t r b <<<"$(rect_of "$main")"
grab_x=$((l + 200)) grab_y=$((t + 8)) # the title strip, painted on the window itself
under=$(inspect at "$grab_x" "$grab_y")
check "the title strip is the window's own surface" same_text "$(field "$under" class)" KlevotrimMain
drag_from "$grab_x" "$grab_y" 20 3 2
moved=$(inspect tree class=KlevotrimMain | head -n1)
read -r l2 t2 r2 b2 <<<"$(rect_of "$moved")"
# The system's move loop starts on the first move, so the first step is not followed.
check "the window followed the pointer (60, 40)" within $((l2 - l + t2 - t)) 100 12
check "the window kept its size" same_text "$(window_size "$moved")" "$w $h"
shot dragged

# ---------------------------------------------------------------------------------------
section "Resize the window by its bottom-right corner"
read -r l t r b <<<"$(rect_of "$moved")"
corner_x=$((r - 4)) corner_y=$((b - 4)) # 4 pixels in from both edges: the corner zone
under=$(inspect at "$corner_x" "$corner_y")
check "the corner is the window's own surface" same_text "$(field "$under" class)" KlevotrimMain
drag_from "$corner_x" "$corner_y" 20 3 2
resized=$(inspect tree class=KlevotrimMain | head -n1)
read -r w2 h2 <<<"$(window_size "$resized")"
check "the window grew with the pointer (was $w x $h, now $w2 x $h2)" test "$w2" -gt "$((w + 30))" -a "$h2" -gt "$((h + 20))"
check "the window did not move while resizing" same_text "$(rect_of "$resized" | cut -d' ' -f1-2)" "$l $t"
shot resized

# ---------------------------------------------------------------------------------------
section "Open a movie with the open dialog"
tree=$(main_tree)
click_control "$tree" 1001
dialog=$(inspect wait 'class=#32770/title=Open' 15000) || abort "the open dialog did not appear"
shot open-dialog
type_into_dialog "$(windows_path "$source")"
inspect gone 'class=#32770/title=Open' 15000 >/dev/null || abort "the open dialog did not close"
expected_name=$(windows_path "$source")
for _ in $(seq 1 30); do
  tree=$(main_tree)
  is_rotation "$(field "$(control "$tree" 20)" text)" "$expected_name" 2>/dev/null && break
  sleep 0.5
done
# While playing, the name scrolls: the label holds the path rotated by some characters.
check "lblName shows the full path (scrolling)" is_rotation "$(field "$(control "$tree" 20)" text)" "$expected_name"
for id in 1001 1002 1003 1004 1005; do check "button $id enabled while playing" enabled_is "$tree" "$id" 1; done
for id in 1006 1007; do check "button $id disabled after opening" enabled_is "$tree" "$id" 0; done
# The name shows before the movie is rendered; the window takes the video's size after.
for _ in $(seq 1 20); do
  tree=$(main_tree)
  main=$(printf '%s\n' "$tree" | head -n1)
  [ "$(window_size "$main")" = "480 360" ] && break
  sleep 0.5
done
# 320 x 240 asked for; the window keeps its 480 x 360 minimum.
check "the window took the video's size, within its 480 x 360 minimum" same_text "$(window_size "$main")" "480 360"
pic=$(control "$tree" 10)
video=$(printf '%s\n' "$tree" | awk -v pic="$(field "$pic" hwnd)" '
  index($0, "hwnd=" pic " ") { inside = 1; next }
  inside && / depth=1 / { inside = 0 }
  inside && / depth=2 / && !/ id=22 / { print; exit }')
check "a video window sits in the picture box" test -n "$video"

# ---------------------------------------------------------------------------------------
section "Watch it play: the picture and the time text move"
sleep 1
read -r p1 duration <<<"$(play_time "$(main_tree)")"
shot playing
read -r pl pt pr pb <<<"$(rect_of "$pic")"
sleep 1.2
import -window root "$ARTIFACTS/playing-later.png" 2>/dev/null
sleep 1
read -r p2 _ <<<"$(play_time "$(main_tree)")"
check "lblTime's position advanced ($p1 s -> $p2 s)" test "$p2" -ge $((p1 + 2))
check "lblTime shows the duration 00:01:00" same_text "$duration" 60
crop="$((pr - pl))x$((pb - pt))+$pl+$pt"
changed=$(compare -metric AE -crop "$crop" "$ARTIFACTS/$(printf %02d $step)-playing.png" \
  "$ARTIFACTS/playing-later.png" null: 2>&1 | cut -d' ' -f1)
check "the picture changed between two looks ($changed pixels)" test "${changed%%.*}" -gt 1000
spread=$(convert "$ARTIFACTS/playing-later.png" -crop "$crop" +repage -colorspace gray \
  -format '%[fx:int(1000*standard_deviation)]' info:)
check "the picture box shows a picture, not a flat colour" test "$spread" -gt 50

# ---------------------------------------------------------------------------------------
section "Right-click menu: Pause"
main=$(main_tree | head -n1)
read -r l t r b <<<"$(rect_of "$main")"
click_at $((l + 150)) $((t + 8)) 3
inspect wait 'class=#32768' 5000 >/dev/null || abort "the right-click menu did not appear"
shot menu
# Open, Play, Stop, Pause: the fourth item (separators are skipped).
xdotool key Down Down Down Down Return
inspect gone 'class=#32768' 5000 >/dev/null || fail "the menu did not close"
sleep 0.8
tree=$(main_tree)
check "Pause is disabled while paused" enabled_is "$tree" 1003 0
check "Stop stays enabled while paused" enabled_is "$tree" 1004 1
read -r q1 _ <<<"$(play_time "$tree")"
sleep 1.5
read -r q2 _ <<<"$(play_time "$(main_tree)")"
check "the time text stands still while paused ($q1 s, $q2 s)" same_text "$q2" "$q1"

# ---------------------------------------------------------------------------------------
section "Mark a range on the seek bar: Start Point, End Point"
tree=$(main_tree)
bar=$(control_of_class "$tree" TavrelNavigationSlider)
read -r sl st sr sb <<<"$(rect_of "$bar")"
bar_y=$(((st + sb) / 2))
click_at $((sl + (sr - sl) / 4)) "$bar_y"
sleep 1
read -r cut_start _ <<<"$(play_time "$(main_tree)")"
check "a click at a quarter of the bar seeks near 15 s (at $cut_start s)" within "$cut_start" 15 2
click_control "$tree" 1005
sleep 0.5
tree=$(main_tree)
check "the cut-range bar shows after Start Point" visible_is "$tree" 14 1
check "End Point is enabled after Start Point" enabled_is "$tree" 1006 1
click_at $((sl + 3 * (sr - sl) / 4)) "$bar_y"
sleep 1
read -r cut_end _ <<<"$(play_time "$(main_tree)")"
check "a click at three quarters seeks near 45 s (at $cut_end s)" within "$cut_end" 45 2
click_control "$tree" 1006
xdotool mousemove 5 5 # out of the way: no button tooltip over the bar
sleep 0.8
tree=$(main_tree)
shot range
check "Save is enabled after End Point" enabled_is "$tree" 1007 1
cutsld=$(control "$tree" 14)
read -r cl ct cr cb <<<"$(rect_of "$cutsld")"
bar_width=$((sr - sl))
check "the red bar starts at the start point" within "$cl" $((sl + bar_width * cut_start / duration)) 3
check "the red bar ends at the end point" within "$cr" $((sl + bar_width * cut_end / duration)) 3
check "the red bar is 2 pixels high" same_text $((cb - ct)) 2
range_shot="$ARTIFACTS/$(printf %02d $step)-range.png"
for part in 1 2 3; do
  check "the bar is red on screen ($part/4 along)" \
    same_text "$(pixel_at "$range_shot" $((cl + part * (cr - cl) / 4)) "$ct")" "255,0,0"
done

# ---------------------------------------------------------------------------------------
section "Save the clip: save dialog, progress window, completion message"
click_control "$tree" 1007
dialog=$(inspect wait 'class=#32770' 15000) || abort "the save dialog did not appear"
check "the save dialog is not the open dialog" test "$(field "$dialog" text)" != "Open"
shot save-dialog
inspect watch-progress 'title=Progress...' 60000 >"$ARTIFACTS/progress.txt" &
watcher=$!
sleep 1 # the watcher is looking before the copy starts
type_into_dialog "$(windows_path "$clip")"
again_if_open "$dialog"
# Screenshots while the copy runs, until the completion message shows.
mkdir -p "$ARTIFACTS/copying"
(
  for i in $(seq -w 1 80); do
    [ -e "$ARTIFACTS/copying/done" ] && break
    import -window root "$ARTIFACTS/copying/$i.png" 2>/dev/null
  done
) &
shooter=$!
message=$(inspect wait 'class=#32770/title=Finish' 120000) || abort "no completion message within 120 s"
touch "$ARTIFACTS/copying/done"
wait "$shooter"
shot finish
message_text=$(inspect tree "$(field "$message" hwnd)" | grep ' class=Static ' | grep -v 'text=$' | head -n1)
check "the message says the part was saved" same_text "$(field "$message_text" text)" \
  "Part of file has been saved successfully"
wait "$watcher"
progress_seen=$(grep '^progress ' "$ARTIFACTS/progress.txt")
progress_line=$(grep -m1 'class=' "$ARTIFACTS/progress.txt")
echo "    progress window: ${progress_line:-not seen}; ${progress_seen:-}"
check "the progress window \"Progress...\" was shown" test -n "$progress_line"
# Keep the middle one of the screenshots that show the progress window's caption bar.
if [ -n "$progress_line" ]; then
  read -r gl gt _ _ <<<"$(rect_of "$progress_line")"
  showing=()
  for frame in "$ARTIFACTS"/copying/*.png; do
    [ -f "$frame" ] || continue
    IFS=, read -r red _ blue <<<"$(pixel_at "$frame" $((gl + 30)) $((gt + 10)))"
    [ "${blue:-0}" -gt 150 ] && [ "${red:-255}" -lt 120 ] && showing+=("$frame")
  done
  [ ${#showing[@]} -gt 0 ] && cp "${showing[$((${#showing[@]} / 2))]}" "$ARTIFACTS/$(printf %02d $step)-progress.png"
fi
check "a screenshot shows the progress window" test -f "$ARTIFACTS/$(printf %02d $step)-progress.png"
xdotool key Return
inspect gone 'class=#32770/title=Finish' 10000 >/dev/null || fail "the completion message did not close on Enter"

# The expected clip, by the cutting arithmetic: whole blocks of the source scaled by the
# cut points over the rounded duration; the first block is never copied.
blocks=$((source_size / BLOCK_SIZE))
first=$((cut_start * blocks / duration))
[ "$first" -lt 1 ] && first=1
last=$((cut_end * blocks / duration))
expected_length=$(((last - first) * BLOCK_SIZE))
echo "    range: B=$blocks D=$duration S=$first E=$last -> $expected_length bytes from offset $((first * BLOCK_SIZE))"
max_seen=$(printf '%s' "$progress_seen" | sed -n 's/.* max=\([-0-9]*\).*/\1/p')
check "the progress bar's maximum is N - 1 = $((last - first - 1))" same_text "${max_seen:-none}" $((last - first - 1))
values_seen=$(printf '%s' "$progress_seen" | sed -n 's/.* values=\([-0-9,]*\).*/\1/p')
# The window may go before the last value is seen from outside.
check "the progress bar only moved forward, within its range ($values_seen)" \
  awk -v v="$values_seen" -v m="$max_seen" 'BEGIN { n = split(v, a, ","); for (i = 2; i <= n; i++) if (a[i] < a[i-1]) exit 1; exit !(n > 0 && a[1] >= 0 && a[n] <= m) }'
check "the clip exists" test -f "$clip"
check "the clip is $expected_length bytes" same_text "$(stat -c %s "$clip" 2>/dev/null)" "$expected_length"
check "the clip holds exactly the source's bytes of that range" \
  cmp -s "$clip" <(tail -c +$((first * BLOCK_SIZE + 1)) "$source" | head -c "$expected_length")
sleep 1
tree=$(main_tree)
check "the cut-range bar is hidden after saving" visible_is "$tree" 14 0
check "Save is disabled after saving" enabled_is "$tree" 1007 0
read -r r1 _ <<<"$(play_time "$tree")"
sleep 1.5
read -r r2 _ <<<"$(play_time "$(main_tree)")"
check "playback resumed after saving ($r1 s -> $r2 s)" test "$r2" -gt "$r1"
shot after-save

# ---------------------------------------------------------------------------------------
section "After the save: Pause and Play work again"
tree=$(main_tree)
check "Pause is enabled once playback resumed" enabled_is "$tree" 1003 1
check "End Point stays disabled after saving" enabled_is "$tree" 1006 0
click_control "$tree" 1003
sleep 0.8
tree=$(main_tree)
check "Pause is disabled while paused" enabled_is "$tree" 1003 0
read -r a1 _ <<<"$(play_time "$tree")"
sleep 1.2
read -r a2 _ <<<"$(play_time "$(main_tree)")"
check "the time text stands still after Pause ($a1 s, $a2 s)" same_text "$a2" "$a1"
click_control "$tree" 1002
sleep 1.5
read -r a3 _ <<<"$(play_time "$(main_tree)")"
check "Play plays again ($a2 s -> $a3 s)" test "$a3" != "$a2"
shot pause-after-save

# ---------------------------------------------------------------------------------------
section "A whole cut with the keyboard: Ctrl+O, Space, Home, Right, I, O, Ctrl+S"
# A sound file: Wine seeks graphs without a picture in any state, so many key seeks in a row are
# safe (60 s of 44.1 kHz stereo: 10 whole blocks).
tone="$work/session-tone-60s.wav"
if [ ! -s "$tone" ]; then
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=60" \
    -ac 2 -c:a pcm_s16le "$tone.part.wav" && mv "$tone.part.wav" "$tone" || abort "cannot generate the tone"
fi
# The last click went to the Play button: the keys must still reach the window.
xdotool key ctrl+o
dialog=$(inspect wait 'class=#32770/title=Open' 15000) || abort "Ctrl+O brought no open dialog"
type_into_dialog "$(windows_path "$tone")"
again_if_open "$dialog"
tone_duration=$(wait_for_duration 60)
check "Ctrl+O opened the tone (60 s)" same_text "$tone_duration" 60
xdotool key space
sleep 0.8
tree=$(main_tree)
check "Space pauses" enabled_is "$tree" 1003 0
xdotool key Home sleep 0.6 key Right sleep 0.6 key Right
sleep 1
read -r key_start _ <<<"$(play_time "$(main_tree)")"
check "Home, then Right twice, stands at 10 s (at $key_start s)" same_text "$key_start" 10
xdotool key i
sleep 0.5
check "I marks the start: the range bar shows" visible_is "$(main_tree)" 14 1
for _ in 1 2 3 4; do xdotool key Right sleep 0.5; done
xdotool key shift+Right
sleep 1
read -r key_end _ <<<"$(play_time "$(main_tree)")"
check "Right four times and Shift+Right once stand at 31 s (at $key_end s)" same_text "$key_end" 31
xdotool key o
sleep 0.5
check "O marks the end: Save is enabled" enabled_is "$(main_tree)" 1007 1
shot keys-range
key_clip="$ARTIFACTS/out/keyboard clip.wav"
xdotool key ctrl+s
dialog=$(inspect wait 'class=#32770' 15000) || abort "Ctrl+S brought no save dialog"
check "Ctrl+S opens the save dialog" test "$(field "$dialog" text)" != "Open"
type_into_dialog "$(windows_path "$key_clip")"
again_if_open "$dialog"
inspect wait 'class=#32770/title=Finish' 120000 >/dev/null || abort "no completion message after Ctrl+S"
xdotool key Return
inspect gone 'class=#32770/title=Finish' 10000 >/dev/null || fail "the completion message did not close on Enter"
tone_blocks=$(($(stat -c %s "$tone") / BLOCK_SIZE))
first=$((key_start * tone_blocks / 60))
[ "$first" -lt 1 ] && first=1
last=$((key_end * tone_blocks / 60))
key_length=$(((last - first) * BLOCK_SIZE))
check "the keyboard's clip is $key_length bytes" same_text "$(stat -c %s "$key_clip" 2>/dev/null)" "$key_length"
check "the keyboard's clip holds the tone's blocks $first to $last" \
  cmp -s "$key_clip" <(tail -c +$((first * BLOCK_SIZE + 1)) "$tone" | head -c "$key_length")
sleep 1
check "Pause is enabled after the keyboard's save too" enabled_is "$(main_tree)" 1003 1

# ---------------------------------------------------------------------------------------
section "A file that cannot be played: a message naming it, and nothing left open"
bad="$work/not a movie.mp3"
printf 'This is a text file, not a movie.\n' >"$bad"
xdotool key ctrl+o
dialog=$(inspect wait 'class=#32770/title=Open' 15000) || abort "Ctrl+O brought no open dialog"
type_into_dialog "$(windows_path "$bad")"
again_if_open "$dialog"
refusal=$(inspect wait 'class=#32770/title=Klevotrim 1.0' 20000) || abort "no message about the file"
shot unplayable
refusal_text=$(inspect tree "$(field "$refusal" hwnd)" | grep ' class=Static ' | grep -v 'text=$' | head -n1)
check "the message names the file" test -n "$(printf '%s' "$refusal_text" | grep -F "$(windows_path "$bad")")"
check "the message says it cannot play it" test -n "$(printf '%s' "$refusal_text" | grep -F 'cannot play')"
xdotool key Return
inspect gone 'class=#32770/title=Klevotrim 1.0' 10000 >/dev/null || fail "the message did not close on Enter"
sleep 1
tree=$(main_tree)
for id in 1003 1004 1005 1006 1007; do check "button $id disabled with nothing open" enabled_is "$tree" "$id" 0; done
for id in 1001 1002; do check "button $id enabled" enabled_is "$tree" "$id" 1; done
check "lblTime is back to Time:00:00:00/00:00:00" same_text "$(field "$(control "$tree" 21)" text)" "Time:00:00:00/00:00:00"
check "lblName shows \" Klevotrim 1.0 \"" same_text "$(field "$(control "$tree" 20)" text)" " Klevotrim 1.0 "
check "the cut-range bar is hidden" visible_is "$tree" 14 0
read -r sl st sr sb <<<"$(rect_of "$(control_of_class "$tree" TavrelNavigationSlider)")"
click_at $(((sl + sr) / 2)) $(((st + sb) / 2))
sleep 1
check "a click on the seek bar moves nothing" \
  same_text "$(field "$(control "$(main_tree)" 21)" text)" "Time:00:00:00/00:00:00"

# ---------------------------------------------------------------------------------------
section "Esc during the save of a large file: no clip, no temporary file"
# 2 h 53 min 20 s of silent 48 kHz stereo PCM (1.86 GiB: Wine's WAV reader does not open larger
# ones promptly) as a header and a sparse hole: a copy of thousands of blocks that runs for
# seconds, yet takes no disk space in the work folder.
silence="$work/session-silence-10400s.wav"
if [ ! -s "$silence" ]; then
  le() { # le <value> <bytes>: little-endian bytes
    local i
    for ((i = 0; i < $2; i++)); do printf "\\$(printf %03o $((($1 >> (8 * i)) & 255)))"; done
  }
  pcm=$((10400 * 192000))
  { printf RIFF; le $((36 + pcm)) 4; printf 'WAVEfmt '; le 16 4; le 1 2; le 2 2; le 48000 4
    le 192000 4; le 4 2; le 16 2; printf data; le "$pcm" 4; } >"$silence"
  truncate -s $((44 + pcm)) "$silence"
fi
big_clip="$ARTIFACTS/out/cancelled.wav"
open_by_dialog "$silence" || abort "the open dialog did not take the large file"
big_duration=$(wait_for_duration 10400)
check "lblTime shows the duration 02:53:20" same_text "$big_duration" 10400
tree=$(main_tree)
click_control "$tree" 1005 # Start Point near the beginning
read -r sl st sr sb <<<"$(rect_of "$(control_of_class "$tree" TavrelNavigationSlider)")"
click_at $((sl + 19 * (sr - sl) / 20)) $(((st + sb) / 2))
sleep 1
click_control "$(main_tree)" 1006 # End Point near the end: thousands of blocks
sleep 0.5
click_control "$(main_tree)" 1007
dialog=$(inspect wait 'class=#32770' 15000) || abort "the save dialog did not appear"
# The dialogs' own buttons, not Enter: under load Enter is at times not taken.
xdotool sleep 0.3 type --delay 8 "$(windows_path "$big_clip")"
save_button=$(inspect tree "$(field "$dialog" hwnd)" | grep -m1 ' class=Button .* text=&Save$')
[ -n "$save_button" ] || abort "the save dialog has no Save button"
read -r x y <<<"$(center_of "$save_button")"
click_at "$x" "$y"
progress=$(inspect wait 'title=Progress...' 60000) || abort "no progress window for the large file"
check "the copy is running (a temporary file beside the clip)" test -n "$(compgen -G "$big_clip.*.part")"
# Without a window manager X gives the keys to the window under the pointer, and the dialog's
# Save button lay beside the main window: rest the pointer on the progress window first.
read -r x y <<<"$(center_of "$progress")"
xdotool mousemove "$x" "$y" sleep 0.2 key Escape
message=$(inspect wait 'class=#32770/title=Save Clip' 60000) || abort "no message after Esc within 60 s"
shot cancelled
message_text=$(inspect tree "$(field "$message" hwnd)" | grep ' class=Static ' | grep -v 'text=$' | head -n1)
check "the message says the clip was not saved because of the cancel" same_text "$(field "$message_text" text)" \
  "The clip was not saved because you cancelled the save.  No file was created."
check "the progress window has gone" inspect gone 'title=Progress...' 5000
read -r x y <<<"$(center_of "$(inspect tree "$(field "$message" hwnd)" | grep -m1 ' class=Button .* text=OK$')")"
click_at "$x" "$y"
inspect gone 'class=#32770/title=Save Clip' 10000 >/dev/null || fail "the message did not close on OK"
check "no clip was written" test ! -e "$big_clip"
check "no temporary file is left" test -z "$(find "$ARTIFACTS/out" -name '*.part')"

# ---------------------------------------------------------------------------------------
section "Exit by the caption strip's close zone"
tree=$(main_tree)
read -r bl bt br bb <<<"$(rect_of "$(control "$tree" 13)")"
click_at $((br - 7)) $(((bt + bb) / 2))
exited=0
for _ in $(seq 1 200); do
  kill -0 "$PROGRAM_PID" 2>/dev/null || { exited=1; break; }
  sleep 0.1
done
check "the program ended" test "$exited" = 1
[ "$exited" = 1 ] && { wait "$PROGRAM_PID" 2>/dev/null; PROGRAM_PID=""; }
registry=$("$WINE_RUN" reg query 'HKCU\Software\Parvane\Klevotrim' 2>/dev/null | tr -d '\r')
echo "$registry" >"$ARTIFACTS/registry.txt"
value() { printf '%s\n' "$registry" | sed -n "s/^ *$1 *REG_SZ *//p"; }
check "registry: Always On Top = False" same_text "$(value 'Always On Top')" "False"
check "registry: Application Name = Klevotrim 1.0" same_text "$(value 'Application Name')" "Klevotrim 1.0"
check "registry: Version = 1.0" same_text "$(value 'Version')" "1.0"
check "registry: Application Path = the program" same_text "$(value 'Application Path')" "$(windows_path "$PROGRAM")"

check "the source is unchanged" same_text "$(sha256sum "$source" | cut -d' ' -f1)" "$source_sum"
check "the source's time stamp is unchanged" same_text "$(stat -c %Y "$source")" "$source_mtime"
finish
