#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in the normal build and in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer. Ends with the benchmark figures.
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

echo "== Figures =="
scripts/bench.sh
