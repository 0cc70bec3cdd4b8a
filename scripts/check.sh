#!/usr/bin/env bash
# Builds everything and runs every test. Used by the README and by CI.
# The build asks for the test suite and the benchmarks by name, since the
# README's quick build of the same folder turns them off. Then the Debian
# package (scripts/check-package.sh), the same suite built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the SVF fuzz target
# for FUZZ_SECONDS (default 60; 0 skips it). See the README, "Hostile input".
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTAPWRIGHT_TESTS=ON -DTAPWRIGHT_BENCH=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
bash scripts/check-package.sh build

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTAPWRIGHT_SANITIZE=ON -DTAPWRIGHT_FUZZ=ON -DTAPWRIGHT_BENCH=OFF
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

# The budget is shared by the two targets: tapwright's player, and the full
# SVF of tapwright-prep and tapwright-play.
fuzz_seconds=${FUZZ_SECONDS:-60}
if [ "$fuzz_seconds" -gt 0 ]; then
  half=$(((fuzz_seconds + 1) / 2))
  mkdir -p build-asan/fuzz-corpus build-asan/full-fuzz-corpus
  build-asan/fuzz/svf_play_fuzzer -max_total_time="$half" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-asan/ -dict=fuzz/svf.dict \
    build-asan/fuzz-corpus build-asan/fuzz/svf_play_fuzzer_seeds
  build-asan/fuzz/full_svf_fuzzer -max_total_time="$half" -timeout=30 -max_len=65536 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build-asan/full- -dict=fuzz/svf.dict \
    build-asan/full-fuzz-corpus build-asan/fuzz/full_svf_fuzzer_seeds
fi
