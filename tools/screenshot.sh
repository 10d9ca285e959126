#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes docs/prompt.png, the start prompt offering the virtual controller's line, and
# docs/panel.png: the panel under Xvfb, cell "Servo 2" / "On" picked and the value at 128.
# Run after tools/setup.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
exec xvfb-run -a -s "-screen 0 800x600x24" bash -c '
set -euo pipefail
build/tools/virtual_controller/kandimor-virtual-controller >/dev/null & controller=$!
build/window/kandimor & panel=$!
trap "kill $panel $controller 2>/dev/null || true" EXIT
until prompt=$(xdotool search --onlyvisible --name "^Port setting$" 2>/dev/null); do sleep 0.1; done
sleep 2  # the offer has been refreshed
build/tools/grab_window "$prompt" docs/prompt.png
xdotool windowfocus --sync "$prompt" key --clearmodifiers ctrl+a type 4
xdotool key Return
until window=$(xdotool search --onlyvisible --name "^Kandimor$" 2>/dev/null); do sleep 0.1; done
xdotool windowfocus --sync "$window"
# Cell Servo 2 / On: client origin below the 19-pixel menu bar.
xdotool mousemove --window "$window" 136 $((19 + 56 + 8)) click 1

xdotool mousemove --window "$window" 377 $((19 + 184 + 8)) click --repeat 128 --delay 4 1
sleep 1
build/tools/grab_window "$window" docs/panel.png
'
