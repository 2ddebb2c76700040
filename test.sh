#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in the normal build and in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer. Fuzzes the logo conversion and the
# virtual printer for a short while, builds the Debian package from build/ and checks it (lintian,
# install, remove), and ends with the benchmark figures.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

echo "== Format (clang-format 14) and layers =="
scripts/check-format.sh
cmake -P scripts/check-layers.cmake

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

echo "== Fuzzing the logo conversion (30 s), the virtual printer (20 s) and the codes (20 s): build-fuzz/, clang with libFuzzer =="
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRINTBENCH_FUZZ=ON \
  -DPRINTBENCH_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz --target bitmap_fuzz printer_fuzz codes_fuzz
fuzz() {
  local target=$1 seeds=$2 seconds=$3
  # The seeds stay as they are; the run grows a copy. A crash leaves its input in build-fuzz/.
  rm -rf "build-fuzz/$target-corpus" && cp -r "$seeds" "build-fuzz/$target-corpus"
  if ! "build-fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=512 -malloc_limit_mb=256 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ "build-fuzz/$target-corpus" >"build-fuzz/$target.log" 2>&1; then
    tail -n 60 "build-fuzz/$target.log"
    echo "The fuzzer $target found a failing input; see build-fuzz/$target.log" >&2
    exit 1
  fi
  echo "-- $target"
  grep -E "^(Done|stat::)" "build-fuzz/$target.log"
}
fuzz bitmap_fuzz fuzz/corpus 30
fuzz printer_fuzz fuzz/printer-corpus 20
fuzz codes_fuzz fuzz/codes-corpus 20

echo "== Debian package (from build/): validate, lintian, install, run, remove =="
scripts/package-check.sh build

echo "== Figures =="
scripts/bench.sh
