#!/usr/bin/env bash
# Runs one fuzz target, built by `cmake --preset fuzz && cmake --build --preset fuzz` (the
# fuzz step of .ci/run), for a number of seconds:
#   fuzz/run.sh convert 60
# New inputs go to build/fuzz/corpus/TARGET; the seed folders are read, never written. An input
# that breaks the target is saved as build/fuzz/crashes/TARGET-*: once the fault is fixed, keep
# it in fuzz/crashes/ so that every build replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
seconds=$2
corpus=build/fuzz/corpus/$target
mkdir -p "$corpus" build/fuzz/crashes
seeds=(examples fuzz/crashes)
if [[ -d ../shared/corpus/rss ]]; then seeds+=(../shared/corpus/rss); fi
# 8 KiB inputs hold a few items each, long enough for every field width; bigger ones only slow
# the search down.
exec "build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
  -dict=fuzz/lorvex.dict -artifact_prefix="build/fuzz/crashes/$target-" -print_final_stats=1 \
  "$corpus" "${seeds[@]}"
