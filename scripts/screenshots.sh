#!/usr/bin/env bash
# Makes the README's pictures of the cockpit from build/: docs/console.png (a run of "Full Cut"
# until Stop on the virtual printer, with the traffic console and the status history open) and
# docs/report.png (the report of that run once a typed paper end has stopped it), and
# docs/main-window-en.png (the window started with --lang en). It drives the
# real window on a virtual display with xdotool, in a home folder of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${PRINTBENCH_SCREENSHOT_DISPLAY:-}" ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data PRINTBENCH_SCREENSHOT_DISPLAY=1 \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$tmp"
  exit
fi

tmp=$1
unset QT_QPA_PLATFORM
mkfifo "$tmp/typed"
build/printbench-printer --com 11 --model KL-330 --out "$tmp/receipts" --log "$tmp/printer.log" <"$tmp/typed" &
exec 3>"$tmp/typed"
build/printbench &
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT

win=$(xdotool search --sync --onlyvisible --name '^PrintBench$' | head -1)
xdotool windowmove --sync "$win" 0 0
sleep 1
# The form's top left corner: under the menu bar, whose height the window's height tells
# (the form is 400 high, the status bar as high as the menu bar or a little more).
eval "$(xdotool getwindowgeometry --shell "$win")"
top=$(( (HEIGHT - 400) / 2 - 2 ))
at() { xdotool mousemove --sync $((X + $1)) $((Y + top + $2)); }

at 464 58 && xdotool click 1 && sleep 0.5          # the port list: COM11
xdotool key --delay 60 Down Down Down Down Down Down Down Down Down Down Down Return
sleep 1
at 80 183 && xdotool click 1                         # the Command List: "Full Cut", by Return
xdotool key --delay 60 Down Down Down Return
at 368 188 && xdotool click --repeat 3 1 && xdotool type 0    # Repeat Rating 0
at 528 188 && xdotool click --repeat 3 1 && xdotool type 1000  # Delay 1000 ms
xdotool key alt+v Return                             # View > Traffic console
sleep 1
xdotool key alt+v Down Down Return                   # View > Status history
history=$(xdotool search --sync --onlyvisible --name '^Status history$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool windowmove --sync "$history" $((WIDTH + 10)) 0
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
xdotool key F5                                       # Run
sleep 5
import -window "$win" "$tmp/cockpit.png"
import -window "$history" "$tmp/history.png"
convert "$tmp/cockpit.png" \( "$tmp/history.png" -background '#d0d0d0' -gravity west -splice 10x0 \) \
  -gravity north +append docs/console.png

echo paper-end >&3
sleep 2
xdotool key alt+f Down Down Down Return              # File > Save run report...
sleep 1
xdotool type "$tmp/report.txt"
xdotool key Return
sleep 1
convert -background white -fill black -font /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf -pointsize 13 -bordercolor white -border 12 \
  label:"$(cat "$tmp/report.txt")" docs/report.png
kill $(jobs -p) 2>/dev/null || true
sleep 1

# The window in English, as `--lang en` starts it.
build/printbench --lang en &
win=$(xdotool search --sync --onlyvisible --name '^PrintBench$' | head -1)
sleep 1
import -window "$win" docs/main-window-en.png
echo "docs/console.png, docs/report.png and docs/main-window-en.png made"
