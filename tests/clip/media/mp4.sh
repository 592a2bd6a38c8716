#!/usr/bin/env bash
# MP4, MOV and M4A sources for the MP4 planner: H.264 with B-frames and a keyframe every
# second, AAC audio, a subtitle track in the MP4 and a timecode track in the MOV.
set -euo pipefail
ff() { ffmpeg -hide_banner -nostdin -v error -y "$@"; }
video=(-f lavfi -i "testsrc2=size=160x120:rate=25:duration=8")
audio=(-f lavfi -i "sine=frequency=440:sample_rate=44100:duration=8")
x264=(-c:v libx264 -preset ultrafast -bf 2 -g 25 -keyint_min 25 -sc_threshold 0 -pix_fmt yuv420p)
printf '1\n00:00:01,000 --> 00:00:03,000\nfirst\n\n2\n00:00:04,000 --> 00:00:07,000\nsecond\n' > mp4-subtitles.srt
ff "${video[@]}" "${audio[@]}" -i mp4-subtitles.srt -map 0 -map 1 -map 2 "${x264[@]}" -c:a aac -b:a 64k \
  -c:s mov_text mp4-h264-aac.tmp.mp4
mv mp4-h264-aac.tmp.mp4 mp4-h264-aac.mp4
ff "${video[@]}" "${audio[@]}" "${x264[@]}" -c:a aac -b:a 64k -timecode 01:00:00:00 -f mov mp4-h264-aac.tmp.mov
mv mp4-h264-aac.tmp.mov mp4-h264-aac.mov
ff "${audio[@]}" -c:a aac -b:a 64k -f ipod mp4-aac.tmp.m4a
mv mp4-aac.tmp.m4a mp4-aac.m4a
# A tiny one with its movie box first: a seed small enough for the fuzzer to use whole.
ff -f lavfi -i "testsrc2=size=32x32:rate=10:duration=1" -f lavfi -i "sine=duration=1" "${x264[@]}" \
  -c:a aac -b:a 16k -movflags +faststart mp4-tiny.tmp.mp4
mv mp4-tiny.tmp.mp4 mp4-tiny.mp4
rm -f mp4-subtitles.srt
