#!/usr/bin/env bash
# Installs what is missing, builds and starts PrintBench. Without a display it runs under a
# virtual one and saves a screenshot of the main window.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target printbench >/dev/null

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/printbench
fi

shot="$PWD/build/screenshots/main-window.png"
mkdir -p "$(dirname "$shot")"
rm -f "$shot"
echo "No display found: PrintBench runs on a virtual display (Xvfb)."
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  shot=$1
  env -u QT_QPA_PLATFORM build/printbench &
  pid=$!
  trap "kill $pid 2>/dev/null" INT TERM
  wid=""
  for _ in $(seq 100); do
    wid=$(xdotool search --name "^PrintBench\$" 2>/dev/null | head -n 1 || true)
    [ -n "$wid" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$wid" ]; then
    echo "PrintBench did not show its window." >&2
    wait $pid
    exit 1
  fi
  sleep 1
  import -window "$wid" "$shot"
  size=$(xwininfo -id "$wid" | awk "/Width:/{w=\$2} /Height:/{h=\$2} END{print w \" x \" h}")
  echo "Window \"$(xdotool getwindowname "$wid")\", client area $size."
  echo "Screenshot of the main window: $shot"
  echo "PrintBench keeps running on the virtual display; press Ctrl-C to end it."
  wait $pid
' run.sh "$shot"
