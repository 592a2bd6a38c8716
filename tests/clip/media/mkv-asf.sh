#!/usr/bin/env bash
# Matroska, WebM and ASF sources for the planner tests: 8 s of 160x120 video at 25 frames/s
# with a keyframe every second, and 8 s of tone.
set -euo pipefail
ff() { ffmpeg -hide_banner -nostdin -v error -y "$@"; }
video=(-f lavfi -i testsrc2=size=160x120:rate=25:duration=8)
tone=(-f lavfi -i sine=frequency=440:duration=8)

ff "${video[@]}" "${tone[@]}" -c:v libx264 -preset ultrafast -crf 35 -g 25 -c:a aac -b:a 24k h264-aac.mkv
# Clusters of 0.3 s: most begin with frames that depend on earlier ones.
ff "${video[@]}" "${tone[@]}" -c:v libx264 -preset ultrafast -crf 35 -g 25 -c:a aac -b:a 24k -cluster_time_limit 300 \
  short-clusters.mkv
# The live writer leaves out Cues and writes the Segment with an unknown size.
ff "${video[@]}" "${tone[@]}" -c:v libx264 -preset ultrafast -crf 35 -g 25 -c:a aac -b:a 24k -live 1 \
  live-no-cues.mkv
if ffmpeg -hide_banner -encoders 2>/dev/null | grep -q libvpx-vp9; then
  ff "${video[@]}" "${tone[@]}" -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 80k -g 25 \
    -c:a libopus -b:a 24k vp-web.webm
else
  ff "${video[@]}" "${tone[@]}" -c:v libvpx -deadline realtime -cpu-used 8 -b:v 80k -g 25 \
    -c:a libvorbis -b:a 32k vp-web.webm
fi
ff "${tone[@]}" -c:a aac -b:a 24k tone.mka
ff "${video[@]}" "${tone[@]}" -c:v wmv2 -b:v 150k -g 25 -c:a wmav2 -b:a 32k wmv2.wmv
ff "${tone[@]}" -c:a wmav2 -b:a 32k tone.wma
