#!/usr/bin/env bash
# Audio for the WAV, MPEG audio and ADTS planners: a few seconds each, and two hour-long MP3s
# (frames copied in a loop, so they cost a second) to show what planning reads.
set -euo pipefail
ff() { ffmpeg -hide_banner -nostdin -loglevel error -y "$@"; }
tone() { echo "sine=frequency=$1:sample_rate=$2:duration=$3"; }

ff -f lavfi -i "$(tone 440 44100 4)" -ac 2 -c:a pcm_s16le wav-s16-stereo.wav
ff -f lavfi -i "$(tone 330 48000 3)" -c:a pcm_s24le wav-s24-mono.wav
ff -f lavfi -i "$(tone 550 32000 3)" -ac 2 -c:a pcm_f32le wav-f32-stereo.wav
ff -f lavfi -i "$(tone 660 8000 3)" -c:a pcm_u8 wav-u8-mono.wav
ff -f lavfi -i "$(tone 440 22050 3)" -ac 3 -c:a pcm_s16le wav-s16-3ch.wav
ff -f lavfi -i "$(tone 440 44100 3)" -c:a pcm_s16le -rf64 always wav-rf64.wav

ff -f lavfi -i "$(tone 440 44100 10)" -ac 2 -c:a libmp3lame -b:a 128k mp3-cbr.mp3
ff -f lavfi -i "$(tone 440 44100 10)" -c:a libmp3lame -b:a 64k -write_xing 0 -id3v2_version 0 mp3-cbr-bare.mp3
# An ID3v1 tag at the end, which a clip leaves out.
{ printf 'TAG%-30s' tone; head -c 95 /dev/zero; } >>mp3-cbr-bare.mp3
ff -f lavfi -i "aevalsrc=sin(440*2*PI*t)*(t/10)+0.3*random(0):s=44100:d=10" -ac 2 -c:a libmp3lame -q:a 2 \
  mp3-vbr.mp3
ff -i mp3-vbr.mp3 -c copy -write_xing 0 mp3-vbr-bare.mp3
ff -f lavfi -i "aevalsrc=sin(300*2*PI*t)+0.2*random(0):s=22050:d=6" -c:a libmp3lame -q:a 5 mp3-vbr-22k.mp3
ff -f lavfi -i "$(tone 440 8000 6)" -c:a libmp3lame -b:a 16k mp3-8k.mp3
ff -f lavfi -i "$(tone 440 48000 6)" -ac 2 -c:a mp2 -b:a 192k mp2-48k.mp2
ff -f lavfi -i "$(tone 440 44100 6)" -ac 2 -c:a aac -b:a 96k aac-44k.aac
ff -f lavfi -i "$(tone 440 48000 6)" -c:a aac -b:a 64k -write_id3v2 1 -metadata title=tone aac-id3.aac

# One hour: the VBR source has a Xing table, the CBR source only its frame size.
ff -stream_loop 599 -i mp3-vbr-22k.mp3 -c copy mp3-vbr-hour.mp3
ff -stream_loop 359 -i mp3-cbr-bare.mp3 -c copy -write_xing 0 mp3-cbr-hour.mp3
