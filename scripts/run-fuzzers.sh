#!/usr/bin/env bash
# Builds every planner fuzz target (tests/fuzz/*Fuzz.cpp) natively with clang's libFuzzer and
# the address and undefined-behaviour sanitizers, and runs each for a bounded time, seeded
# from the small generated media of the planner tests.
#   scripts/run-fuzzers.sh [seconds per target, default 15]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-${KLEVOTRIM_FUZZ_SECONDS:-15}}
out=build/fuzz
seeds=build/native/clip-media
mkdir -p "$out"
tests/clip/make-clip-media.sh "$seeds" >/dev/null

sources=$(ls cutting/clip/*.cpp)
total=0
for target in tests/fuzz/*Fuzz.cpp; do
  [ -e "$target" ] || continue
  name=$(basename "$target" .cpp)
  binary="$out/$name"
  if [ ! -x "$binary" ] || [ -n "$(find $sources cutting/clip/*.h "$target" -newer "$binary" 2>/dev/null)" ]; then
    clang++ -std=c++20 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
      -o "$binary" "$target" $sources
  fi
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
