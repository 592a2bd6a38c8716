#!/usr/bin/env bash
# Generates the sample media that the tests play (and that a new user can open):
# small files of known duration and picture size, made with Debian's ffmpeg and sox.
#   scripts/make-test-media.sh <output folder>
set -euo pipefail
out=${1:?usage: make-test-media.sh <output folder>}
mkdir -p "$out"
cd "$out"
stamp=".generated-v3"
[ -f "$stamp" ] && exit 0

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
video="testsrc=size=320x240:rate=25"
tone="sine=frequency=440:sample_rate=44100"

# Audio only, 10 s.
sox -n -r 44100 -c 2 -b 16 tone-10s.wav synth 10 sine 440
ff -f lavfi -i "$tone:duration=10" -ac 2 -c:a libmp3lame -b:a 128k tone-10s.mp3
# 1.5 s: plays, but too short for the seek bar to follow.
sox -n -r 44100 -c 2 -b 16 short-1.5s.wav synth 1.5 sine 660
# Video with audio, 320 x 240, 10 s.
ff -f lavfi -i "$video:duration=10" -f lavfi -i "$tone:duration=10" \
   -c:v mpeg1video -b:v 800k -c:a mp2 -b:a 128k -f mpeg clip-10s.mpg
ff -f lavfi -i "$video:duration=10" -f lavfi -i "$tone:duration=10" \
   -c:v mjpeg -q:v 5 -pix_fmt yuvj420p -c:a pcm_s16le clip-10s.avi
ff -f lavfi -i "$video:duration=10" -f lavfi -i "$tone:duration=10" \
   -c:v wmv2 -b:v 800k -c:a wmav2 -b:a 128k clip-10s.wmv
ff -f lavfi -i "$video:duration=10" -f lavfi -i "$tone:duration=10" \
   -c:v libx264 -pix_fmt yuv420p -preset veryfast -c:a aac -b:a 128k clip-10s.mp4
# Video only, 320 x 240, 10 s.
ff -f lavfi -i "$video:duration=10" -c:v mpeg1video -b:v 800k -f mpeg video-only-10s.mpg
# A name outside the ANSI code page.
cp tone-10s.wav "$(printf 'T\xc3\xb6ne \xd0\xba\xd0\xbb\xd0\xb8\xd0\xbf \xe9\x9f\xb3.wav')"
# Video with audio, one key frame a second, for the playable-clip saves: 320 x 240, 10 s.
x264=(-c:v libx264 -preset veryfast -g 25 -keyint_min 25 -sc_threshold 0 -pix_fmt yuv420p)
ff -f lavfi -i "$video:duration=10" -f lavfi -i "$tone:duration=10" "${x264[@]}" -c:a aac -b:a 128k \
   keyed-10s.mp4
ff -f lavfi -i "$video:duration=10" -f lavfi -i "$tone:duration=10" "${x264[@]}" -c:a aac -b:a 128k \
   keyed-10s.mkv
ff -f lavfi -i "$video:duration=10" -f lavfi -i "$tone:duration=10" "${x264[@]}" -c:a aac -b:a 128k \
   -f mpegts keyed-10s.ts
ff -f lavfi -i "$video:duration=10" -f lavfi -i "$tone:duration=10" "${x264[@]}" -c:a aac -b:a 128k \
   -f mov keyed-10s.mov
ff -f lavfi -i "$video:duration=10" -f lavfi -i "$tone:duration=10" -c:v libvpx-vp9 -deadline realtime \
   -cpu-used 8 -b:v 300k -g 25 -c:a libopus -b:a 64k keyed-10s.webm
# Audio only, 10 s, in the other containers a planner cuts.
ff -f lavfi -i "$tone:duration=10" -ac 2 -c:a wmav2 -b:a 128k tone-10s.wma
ff -f lavfi -i "$tone:duration=10" -ac 2 -c:a aac -b:a 128k -f adts tone-10s.aac
# A container no playable-clip planner reads (Ogg Vorbis), 10 s.
ff -f lavfi -i "$tone:duration=10" -ac 2 -c:a libvorbis -q:a 3 tone-10s.ogg
# Not media at all, under a media extension.
printf 'This is a text file, not a sound.\n' > not-media.mp3

touch "$stamp"
