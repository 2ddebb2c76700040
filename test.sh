#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in the normal build and in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer. Fuzzes the logo conversion for a
# short while and ends with the benchmark figures.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen

echo "== Build (build/) =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
echo "== Tests =="
ctest --test-dir build --output-on-failure -j 2

echo "== Build with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/) =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPRINTBENCH_SANITIZE=ON -DPRINTBENCH_BENCH=OFF >/dev/null
cmake --build build-asan
echo "== Tests under the sanitizers =="
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --test-dir build-asan --output-on-failure -j 2

echo "== Fuzzing the logo conversion for 30 s (build-fuzz/, clang with libFuzzer) =="
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRINTBENCH_FUZZ=ON \
  -DPRINTBENCH_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz --target bitmap_fuzz
# The seeds stay as they are; the run grows a copy. A crash leaves its input in build-fuzz/.
rm -rf build-fuzz/corpus && cp -r fuzz/corpus build-fuzz/corpus
if ! build-fuzz/fuzz/bitmap_fuzz -max_total_time=30 -rss_limit_mb=512 -malloc_limit_mb=256 -print_final_stats=1 \
  -artifact_prefix=build-fuzz/ build-fuzz/corpus >build-fuzz/fuzz.log 2>&1; then
  tail -n 60 build-fuzz/fuzz.log
  echo "The fuzzer found a failing input; see build-fuzz/fuzz.log" >&2
  exit 1
fi
grep -E "^(Done|stat::)" build-fuzz/fuzz.log

echo "== Figures =="
scripts/bench.sh
