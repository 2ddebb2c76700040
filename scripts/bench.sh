#!/usr/bin/env bash
# Prints the benchmark figures of the build in build/. The start-up figure is taken on a
# virtual X display, as a user on a desktop would see it.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${DISPLAY:-}" ] || ! command -v xvfb-run >/dev/null; then
  build/bench/startup_bench
else
  env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" build/bench/startup_bench
fi
