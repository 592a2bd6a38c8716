#!/usr/bin/env bash
# MPEG program and transport streams for the MPEG planners: 8 s of moving test picture with a
# tone, GOPs of half a second, small frames so the files stay small.
set -euo pipefail
make() {
  local name=$1
  shift
  [ -s "$name" ] && return
  ffmpeg -hide_banner -nostdin -v error -y "$@" "tmp-$name"
  mv "tmp-$name" "$name"
}
picture=(-f lavfi -i "testsrc=size=320x240:rate=25:duration=8")
tone=(-f lavfi -i "sine=frequency=440:sample_rate=48000:duration=8")

make mpeg1.mpg "${picture[@]}" "${tone[@]}" -c:v mpeg1video -g 12 -bf 2 -b:v 600k -c:a mp2 -b:a 128k -f mpeg
make mpeg2.vob "${picture[@]}" "${tone[@]}" -c:v mpeg2video -g 12 -bf 2 -b:v 1500k -c:a mp2 -b:a 128k -f vob
make audio.mpg "${tone[@]}" -c:a mp2 -b:a 128k -f mpeg
make mpeg2.ts "${picture[@]}" "${tone[@]}" -c:v mpeg2video -g 12 -bf 2 -b:v 1500k -c:a mp2 -b:a 128k -f mpegts
make h264.ts "${picture[@]}" "${tone[@]}" -c:v libx264 -preset veryfast -g 12 -c:a aac -b:a 96k -f mpegts
make h264.m2ts "${picture[@]}" "${tone[@]}" -c:v libx264 -preset veryfast -g 12 -c:a aac -b:a 96k \
  -f mpegts -mpegts_m2ts_mode 1
# Time stamps that pass 2^33 ticks of the 90 kHz clock (95443.7 s) half-way through.
make wrap.ts "${picture[@]}" "${tone[@]}" -c:v mpeg2video -g 12 -bf 2 -b:v 1500k -c:a mp2 -b:a 128k \
  -output_ts_offset 95440 -f mpegts
make wrap.mpg "${picture[@]}" "${tone[@]}" -c:v mpeg1video -g 12 -bf 2 -b:v 600k -c:a mp2 -b:a 128k \
  -output_ts_offset 95440 -f mpeg
