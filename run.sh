#!/usr/bin/env bash
# Installs what is missing, builds and starts PrintBench. Unless --no-virtual-printer is given,
# a virtual printer (build/printbench-printer) serves COM11 and renders what it prints into
# receipts/; what you type in this terminal sets its status (paper-end, cover-open, error, ok,
# status 0xNN). Without a display PrintBench runs under a virtual one and a screenshot of its
# window is saved.
set -euo pipefail
cd "$(dirname "$0")"

virtual_printer=1
for arg in "$@"; do
  case "$arg" in
    --no-virtual-printer) virtual_printer=0 ;;
    *) echo "usage: ./run.sh [--no-virtual-printer]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target printbench printbench-printer >/dev/null

printer_pid=""
stop_printer() {
  if [ -n "$printer_pid" ] && kill -0 "$printer_pid" 2>/dev/null; then
    kill -INT "$printer_pid" 2>/dev/null || true
    wait "$printer_pid" 2>/dev/null || true
  fi
}
trap stop_printer EXIT
trap 'exit 130' INT TERM

if [ "$virtual_printer" = 1 ]; then
  mkdir -p receipts
  # Standard input stays this terminal's, so that faults can be typed while PrintBench runs.
  build/printbench-printer --com 11 --model KR-420 --out receipts <&0 >>receipts/printer.log 2>&1 &
  printer_pid=$!
  ports="${XDG_CONFIG_HOME:-$HOME/.config}/printbench/ports"
  for _ in $(seq 50); do
    [ -L "$ports/COM11" ] && break
    kill -0 "$printer_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -L "$ports/COM11" ] && kill -0 "$printer_pid" 2>/dev/null; then
    echo "Virtual printer KR-420 on COM11, receipts in receipts/ (log: receipts/printer.log); type paper-end, cover-open, error, ok or status 0xNN here to set its status."
  else
    echo "The virtual printer did not start: $(tail -n 1 receipts/printer.log 2>/dev/null)" >&2
    printer_pid=""
  fi
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/printbench
  exit $?
fi

shot="$PWD/build/screenshots/main-window.png"
layout="$PWD/build/screenshots/layout.txt"
mkdir -p "$(dirname "$shot")"
rm -f "$shot" "$layout"
echo "No display found: PrintBench runs on a virtual display (Xvfb)."
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  shot=$1 layout=$2
  # The program writes where its form sits into $layout once the window shows.
  env -u QT_QPA_PLATFORM PRINTBENCH_LAYOUT_FILE="$layout" build/printbench </dev/null &
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
  echo "Window \"$(xdotool getwindowname "$wid")\", client area $size; $(cat "$layout" 2>/dev/null || echo "where its form sits is unknown")."
  echo "Screenshot of the window: $shot"
  echo "PrintBench keeps running on the virtual display; press Ctrl-C to end it."
  wait $pid
' run.sh "$shot" "$layout" </dev/null
