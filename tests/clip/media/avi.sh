#!/usr/bin/env bash
# AVI sources: MPEG-4 part 2 with a keyframe every second and MP3 audio; motion JPEG (every
# frame a keyframe) with PCM audio. Both under 64 KiB, so they seed the fuzzer whole.
set -euo pipefail
ff() { ffmpeg -hide_banner -nostdin -v error -y "$@"; }
ff -f lavfi -i testsrc=size=64x48:rate=25:duration=8 -f lavfi -i sine=frequency=440:sample_rate=22050:duration=8 \
  -c:v mpeg4 -g 25 -q:v 12 -c:a libmp3lame -b:a 24k -ac 1 -f avi avi-mpeg4-mp3.avi.part
mv avi-mpeg4-mp3.avi.part avi-mpeg4-mp3.avi
ff -f lavfi -i testsrc=size=32x24:rate=10:duration=3 -f lavfi -i sine=frequency=440:sample_rate=4000:duration=3 \
  -c:v mjpeg -q:v 20 -c:a pcm_s16le -ac 1 -f avi avi-mjpeg-pcm.avi.part
mv avi-mjpeg-pcm.avi.part avi-mjpeg-pcm.avi
