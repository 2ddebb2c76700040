#!/usr/bin/env bash
# Prints the benchmark figures of the build in build/. Figures are not a gate: a benchmark that
# cannot measure says so and the others still run. The start-up figure is taken on a virtual X
# display, as a user on a desktop would see it.
set -uo pipefail
cd "$(dirname "$0")/.."

run() {
  local name=$1
  shift
  [ -x "build/bench/$name" ] || { echo "($name is not built)"; return; }
  echo "-- $name"
  "$@" "build/bench/$name" || echo "($name could not measure: exit $?)"
}

if [ -n "${DISPLAY:-}" ] || ! command -v xvfb-run >/dev/null; then
  run startup_bench
else
  run startup_bench env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24"
fi
run delay_bench env QT_QPA_PLATFORM=offscreen
run pattern_bench env QT_QPA_PLATFORM=offscreen
run bitmap_bench env QT_QPA_PLATFORM=offscreen
run usb_bench env QT_QPA_PLATFORM=offscreen
run printer_bench env QT_QPA_PLATFORM=offscreen
run barcode_bench
run cockpit_bench
run expected_paper_bench
run headless_bench env QT_QPA_PLATFORM=offscreen
run runlog_bench env QT_QPA_PLATFORM=offscreen
run picture_bench
# The same pictures through an npm encoder, beside ours (skipped without node and npm).
echo "-- encoder-compare"
bench/encoder-compare.sh build
exit 0
