#!/usr/bin/env bash
# Builds every planner fuzz target (tests/fuzz/*Fuzz.cpp) natively with clang's libFuzzer and
# the address and undefined-behaviour sanitizers, and runs each for a bounded time, seeded
# from the small generated media of the planner tests.
#   scripts/run-fuzzers.sh [seconds per target, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-${KLEVOTRIM_FUZZ_SECONDS:-10}}
out=build/fuzz
seeds=build/native/clip-media
jobs=$(nproc 2>/dev/null || echo 2)
mkdir -p "$out/obj"
tests/clip/make-clip-media.sh "$seeds" >/dev/null

flags=(-std=c++20 -O1 -g -I. -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
# The planners are compiled once and linked into every target.
objects=()
stale=()
for source in cutting/clip/*.cpp; do
  object="$out/obj/$(basename "$source" .cpp).o"
  objects+=("$object")
  if [ ! -f "$object" ] || [ -n "$(find "$source" cutting/clip/*.h -newer "$object" 2>/dev/null | head -1)" ]; then
    stale+=("$source")
  fi
done
compile() { clang++ "${flags[@]}" -c "$1" -o "$out/obj/$(basename "$1" .cpp).o"; }
for source in "${stale[@]}"; do
  compile "$source" &
  while [ "$(jobs -r | wc -l)" -ge "$jobs" ]; do wait -n; done
done
wait

total=0
for target in tests/fuzz/*Fuzz.cpp; do
  [ -e "$target" ] || continue
  name=$(basename "$target" .cpp)
  binary="$out/$name"
  clang++ "${flags[@]}" -fsanitize=fuzzer -o "$binary" "$target" "${objects[@]}"
  corpus="$out/$name-corpus"
  mkdir -p "$corpus"
  log="$out/$name.log"
  if ! "$binary" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=1024 -timeout=5 \
       -print_final_stats=1 "$corpus" "$seeds" >"$log" 2>&1; then
    tail -40 "$log"
    echo "fuzz target $name failed (log: $log)"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "fuzz $name: ${runs:-0} executions in ${seconds} s, no fault"
  total=$((total + ${runs:-0}))
done
echo "fuzz: $total executions in all"
