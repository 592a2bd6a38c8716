#!/usr/bin/env bash
# Cuts the same range of a ~1 GB MPEG program stream four ways and compares them:
# CutFile (under Wine), the playable-clip save at the same marks (under Wine), dd bs=1M over
# CutFile's block range, and ffmpeg -ss -to -c copy. All four write into the same folder and
# none of them flushes to the disk before it ends (dd without conv=fsync, the program without
# FlushFileBuffers), so each is timed until its copy sits in the page cache. Then it times the
# planning of a playable clip on a transport stream of over 2 GiB.
#   bench/cutting/run.sh <windows build folder>
# The source is generated once into <build>/bench-cutting (or $KLEVOTRIM_BENCH_DIR, e.g.
# /dev/shm/..., to compare the programs without the disk's write-back). CutFile runs in a Wine
# prefix of its own (<build>/bench-cutting/wineprefix) whose X11 driver leaves windows
# unmanaged: without a window manager Wine otherwise waits 2 s when a captioned window closes.
set -euo pipefail
build=$(cd "${1:?usage: bench/cutting/run.sh <windows build folder>}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$(find "$build" -name bench_cutfile.exe -print -quit)
[ -n "$exe" ] || { echo "bench_cutfile.exe not found under $build; build the target bench_cutfile" >&2; exit 1; }
# KLEVOTRIM_BENCH_DIR puts the source and the copies elsewhere, e.g. on /dev/shm to take the
# disk's write-back out of the comparison.
work="${KLEVOTRIM_BENCH_DIR:-$build/bench-cutting}"
mkdir -p "$work"
work=$(cd "$work" && pwd)
big="$work/big.mpg"
runs=${KLEVOTRIM_BENCH_RUNS:-7}

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
if [ ! -f "$big" ] && [ -f "$build/bench-cutting/big.mpg" ]; then
  cp "$build/bench-cutting/big.mpg" "$big"
fi
if [ ! -f "$big" ]; then
  echo "Generating a ~1 GB MPEG program stream (once) ..."
  ff -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=20" -f lavfi -i "sine=frequency=440:duration=20" \
     -c:v mpeg2video -b:v 25M -minrate 25M -maxrate 25M -bufsize 4M -c:a mp2 -b:a 192k -f mpeg "$work/seg.mpg"
  : > "$work/list.txt"
  for _ in $(seq 1 17); do echo "file 'seg.mpg'" >> "$work/list.txt"; done
  (cd "$work" && ff -f concat -safe 0 -i list.txt -c copy -f mpeg big.tmp && mv big.tmp big.mpg)
  rm -f "$work/seg.mpg" "$work/list.txt"
fi

# The stream twice over (ffmpeg's concat keeps the timestamps rising), as a transport stream.
bigts="$work/big.ts"
if [ ! -f "$bigts" ]; then
  echo "Generating a transport stream of over 2 GiB (once) ..."
  printf "file '%s'\nfile '%s'\n" "$big" "$big" > "$work/list.txt"
  ff -f concat -safe 0 -i "$work/list.txt" -map 0 -c copy -f mpegts "$work/big.ts.tmp"
  mv "$work/big.ts.tmp" "$bigts"
  rm -f "$work/list.txt"
fi
[ "$(stat -c %s "$bigts")" -gt $((2 * 1024 * 1024 * 1024)) ] || { echo "$bigts is not over 2 GiB" >&2; exit 1; }

length=$(stat -c %s "$big")
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$big")
# Cut from 10 % to 90 % of the media; the block range is CutFile's own arithmetic.
read -r cut_start cut_end first_block blocks < <(python3 - "$length" "$duration" <<'PY'
import sys
length, duration = int(sys.argv[1]), float(sys.argv[2])
d = round(duration)  # Python rounds halves to even, as CutFile does
start, end = int(duration * 0.1), int(duration * 0.9)
b = length // 1048576
s = max(start * b // d, 1)
e = min(end * b // d, b)
print(start, end, s, e - s)
PY
)
echo "source: $length bytes, ${duration} s; cut ${cut_start}-${cut_end} s = blocks $first_block.. ($blocks MiB)"

now() { date +%s.%N; }
best() { sort -g | head -1; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
cat "$big" > /dev/null # the page cache holds the source for every tool alike

# The three tools take turns, round after round, so that a slow moment of the disk does not
# fall on one of them only; the best round of each counts.
prefix="$build/bench-cutting/wineprefix"
winpath() { echo "Z:$1" | tr '/' '\\'; }
cat > "$work/rounds.sh" <<INNER
#!/usr/bin/env bash
set -e
now() { date +%s.%N; }
wine reg add 'HKCU\\Software\\Wine\\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
: > "$work/times.txt"
for i in \$(seq 1 $runs); do
  rm -f "$work/dd.mpg"; sync
  t0=\$(now); dd if="$big" of="$work/dd.mpg" bs=1M skip=$first_block count=$blocks status=none; t1=\$(now)
  echo "dd \$(echo "\$t1 - \$t0" | bc -l)" >> "$work/times.txt"
  rm -f "$work/cut.mpg"; sync
  wine "$exe" "$(winpath "$big")" "$(winpath "$work/cut.mpg")" $cut_start $cut_end $duration | tr -d '\\r' > "$work/cutfile-\$i.txt"
  rm -f "$work/play.mpg"; sync
  wine "$exe" --playable "$(winpath "$big")" "$(winpath "$work/play.mpg")" $cut_start $cut_end $duration | tr -d '\\r' > "$work/playable-\$i.txt"
  rm -f "$work/ff.mpg"; sync
  t0=\$(now); ffmpeg -hide_banner -loglevel error -y -ss $cut_start -to $cut_end -i "$big" -c copy -f mpeg "$work/ff.mpg"; t1=\$(now)
  echo "ff \$(echo "\$t1 - \$t0" | bc -l)" >> "$work/times.txt"
done
# Planning only, at marks in the middle of the long transport stream.
for i in \$(seq 1 $runs); do
  wine "$exe" --plan "$(winpath "$bigts")" 500.25 560.5 | tr -d '\\r' > "$work/plan-\$i.txt"
done
INNER
chmod +x "$work/rounds.sh"
"$root/scripts/with-display.sh" "$prefix" "$work/rounds.sh"
dd_s=$(sed -n 's/^dd //p' "$work/times.txt" | best)
ff_s=$(sed -n 's/^ff //p' "$work/times.txt" | best)
cut_s=$(for i in $(seq 1 $runs); do sed -n 's/^seconds=//p' "$work/cutfile-$i.txt"; done | best)
dd_med=$(sed -n 's/^dd //p' "$work/times.txt" | median)
ff_med=$(sed -n 's/^ff //p' "$work/times.txt" | median)
cut_med=$(for i in $(seq 1 $runs); do sed -n 's/^seconds=//p' "$work/cutfile-$i.txt"; done | median)
copy_s=$(for i in $(seq 1 $runs); do sed -n 's/^copy_seconds=//p' "$work/cutfile-$i.txt"; done | best)
field() { sed -n "s/^$1=//p" "$work/cutfile-$runs.txt"; }
play_field() { sed -n "s/^$1=//p" "$work/playable-$runs.txt"; }
play_s=$(for i in $(seq 1 $runs); do sed -n 's/^seconds=//p' "$work/playable-$i.txt"; done | best)
play_med=$(for i in $(seq 1 $runs); do sed -n 's/^seconds=//p' "$work/playable-$i.txt"; done | median)
[ "$(play_field outcome)" = 0 ] || { echo "the playable save did not save (plan status $(play_field plan_status))" >&2; exit 1; }
cmp "$work/cut.mpg" "$work/dd.mpg" || { echo "CutFile's clip differs from dd's copy" >&2; exit 1; }

bytes=$(field bytes)
mib() { echo "scale=1; $1 / 1048576" | bc -l; }
rate() { echo "scale=1; $bytes / 1048576 / $1" | bc -l; }
echo
printf '%-28s %8s s  %8s MiB/s\n' "dd bs=1M" "$dd_s" "$(rate "$dd_s")"
printf '%-28s %8s s  %8s MiB/s\n' "CutFile (whole call)" "$cut_s" "$(rate "$cut_s")"
printf '%-28s %8s s  %8s MiB/s\n' "CutFile (up to last block)" "$copy_s" "$(rate "$copy_s")"
printf '%-28s %8s s  %8s MiB/s (%s MiB written)\n' "ffmpeg -c copy" "$ff_s" "$(rate "$ff_s")" \
  "$(mib "$(stat -c %s "$work/ff.mpg")")"
play_bytes=$(play_field bytes)
play_rate=$(echo "scale=1; $play_bytes / 1048576 / $play_s" | bc -l)
printf '%-28s %8s s  %8s MiB/s (%s MiB written)\n' "playable clip (whole call)" "$play_s" "$play_rate" \
  "$(mib "$play_bytes")"
echo "best of $runs rounds above; medians: dd $dd_med s, CutFile $cut_med s, playable $play_med s, ffmpeg $ff_med s"
# The ratios compare medians: the machine may be busy with other work in any one round.
echo "CutFile / dd throughput:     $(echo "scale=2; $dd_med / $cut_med" | bc -l)   (medians; target >= 0.8)"
echo "ffmpeg time / CutFile time:  $(echo "scale=2; $ff_med / $cut_med" | bc -l)   (medians; target > 1)"
echo "playable / dd throughput:    $(echo "scale=2; $dd_med * $play_bytes / ($play_med * $bytes)" | bc -l)   (medians; target >= 0.85)"
echo "ffmpeg time / playable time: $(echo "scale=2; $ff_med / $play_med" | bc -l)   (medians; target >= 2)"
plan_med=$(for i in $(seq 1 $runs); do sed -n 's/^plan_seconds=//p' "$work/plan-$i.txt"; done | median)
plan_field() { sed -n "s/^$1=//p" "$work/plan-$runs.txt"; }
[ "$(plan_field plan_status)" = 0 ] || echo "the transport stream was not planned (status $(plan_field plan_status))" >&2
echo "planning on $(mib "$(plan_field source_bytes)") MiB of transport stream: median $plan_med s," \
  "$(plan_field plan_reads) reads of $(mib "$(plan_field plan_read_bytes)") MiB in all"
ffprobe -v error -show_entries format=start_time,duration -of default=noprint_wrappers=1 "$work/play.mpg" |
  tr '\n' ' ' | sed 's/^/playable clip: /; s/$/\n/'
ffmpeg -hide_banner -nostdin -v error -i "$work/play.mpg" -f null - 2>&1 | head -3 | sed 's/^/playable clip decode: /'
pidle=$(play_field idle_working_set); ppeak=$(play_field peak_working_set)
echo "playable working set: idle $(mib "$pidle") MiB, peak $(mib "$ppeak") MiB, growth $(mib $((ppeak - pidle))) MiB (limit 8 MiB)"
pidle_p=$(play_field idle_private); ppeak_p=$(play_field peak_private)
echo "playable private bytes: growth $(mib $((ppeak_p - pidle_p))) MiB"
idle=$(field idle_working_set); peak=$(field peak_working_set)
idle_p=$(field idle_private); peak_p=$(field peak_private)
echo "working set: idle $(mib "$idle") MiB, peak $(mib "$peak") MiB, growth $(mib $((peak - idle))) MiB (limit 9 MiB)"
echo "private bytes: idle $(mib "$idle_p") MiB, peak $(mib "$peak_p") MiB, growth $(mib $((peak_p - idle_p))) MiB"
idle_c=$(field idle_peak_commit); peak_c=$(field peak_commit)
echo "peak commit: before $(mib "$idle_c") MiB, after $(mib "$peak_c") MiB, growth $(mib $((peak_c - idle_c))) MiB"
rm -f "$work/dd.mpg" "$work/cut.mpg" "$work/ff.mpg" "$work/play.mpg"
