#!/usr/bin/env bash
# Builds everything and runs every test. Used by the README and by CI.
# Then the same suite built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the SVF fuzz target for FUZZ_SECONDS
# (default 60; 0 skips it). See the README, "Hostile input".
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTAPWRIGHT_SANITIZE=ON -DTAPWRIGHT_FUZZ=ON -DTAPWRIGHT_BENCH=OFF
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

fuzz_seconds=${FUZZ_SECONDS:-60}
if [ "$fuzz_seconds" -gt 0 ]; then
  corpus=build-asan/fuzz-corpus
  mkdir -p "$corpus"
  build-asan/fuzz/svf_play_fuzzer -max_total_time="$fuzz_seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-asan/ \
    "$corpus" build-asan/fuzz/seed_corpus
fi
