#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes docs/prompt.png, the start prompt offering the virtual controller's line; docs/panel.png,
# the panel under Xvfb with cell "Servo 2" / "On" picked and the value at 128; the same panel at
# 150 % and 200 % (QT_SCALE_FACTOR) as docs/panel-150.png and docs/panel-200.png; and
# docs/panel-dark.png, the window under a dark palette, from the layout test.
# Run after tools/setup.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
for scale in 1 1.5 2; do
    QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 1600x1200x24" bash -c '
    set -euo pipefail
    scale=$QT_SCALE_FACTOR
    # A point in the window, given in unscaled pixels.
    at() { awk -v s="$scale" -v x="$1" -v y="$2" "BEGIN { printf \"%d %d\", x * s, y * s }"; }
    build/tools/virtual_controller/kandimor-virtual-controller >/dev/null & controller=$!
    build/window/kandimor & panel=$!
    trap "kill $panel $controller 2>/dev/null || true" EXIT
    until prompt=$(xdotool search --onlyvisible --name "^Port setting$" 2>/dev/null); do sleep 0.1; done
    sleep 2  # the offer has been refreshed
    [ "$scale" != 1 ] || build/tools/grab_window "$prompt" docs/prompt.png
    xdotool windowfocus --sync "$prompt" key --clearmodifiers ctrl+a type 4
    xdotool key Return
    until window=$(xdotool search --onlyvisible --name "^Kandimor$" 2>/dev/null); do sleep 0.1; done
    xdotool windowfocus --sync "$window"
    # Cell Servo 2 / On: client origin below the 19-pixel menu bar.
    xdotool mousemove --window "$window" $(at 136 $((19 + 56 + 8))) click 1
    xdotool mousemove --window "$window" $(at 377 $((19 + 184 + 8))) click --repeat 128 --delay 4 1
    sleep 1
    name=panel; [ "$scale" = 1 ] || name=panel-$(awk -v s="$scale" "BEGIN { print s * 100 }")
    build/tools/grab_window "$window" docs/$name.png
    '
done
KANDIMOR_PICTURES=$PWD/docs QT_QPA_PLATFORM=offscreen build/tests/test_window_layout \
    everyControlStandsWhereItShouldAndShowsItsCaptionWhole >/dev/null
