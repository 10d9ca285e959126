#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command in a headless sway session of its own on an 800 x 480 screen: a Wayland desktop
# with no display hardware, drawn in memory. WAYLAND_DISPLAY, SWAYSOCK and XDG_RUNTIME_DIR tell
# the command where it is. sway will not run as root: there it runs as nobody, and root joins it.
#   on_sway.sh COMMAND [ARGUMENT...]
set -euo pipefail
runtime=$(mktemp -d)
sway_pid=
cleanup() {
    [ -z "$sway_pid" ] || kill "$sway_pid" 2>/dev/null || true
    wait || true
    rm -rf "$runtime"
}
trap cleanup EXIT

# A window that asks for the keyboard gets it (sway's default only marks it urgent): the
# program's dialogs ask for it back when a click beside them lands on the window they block.
cat > "$runtime/config" <<'CONFIG'
output HEADLESS-1 resolution 800x480
xwayland disable
focus_on_window_activation focus
CONFIG
as=()
if [ "$(id -u)" = 0 ]; then
    chown nobody: "$runtime"
    as=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups)
fi
env -u WAYLAND_DISPLAY -u DISPLAY -u SWAYSOCK XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${as[@]}" sway -c "$runtime/config" \
    > "$runtime/sway.log" 2>&1 &
sway_pid=$!

export XDG_RUNTIME_DIR=$runtime
for _ in $(seq 1 400); do
    socket=$(cd "$runtime" && ls wayland-? 2>/dev/null | head -n 1) || true
    SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock 2>/dev/null | head -n 1) || true
    if [ -n "$socket" ] && [ -n "$SWAYSOCK" ] && SWAYSOCK=$SWAYSOCK swaymsg -t get_version >/dev/null 2>&1; then
        break
    fi
    kill -0 "$sway_pid" 2>/dev/null || { cat "$runtime/sway.log" >&2; echo "sway did not start" >&2; exit 1; }
    sleep 0.05
done
[ -n "$socket" ] && [ -n "$SWAYSOCK" ] || { cat "$runtime/sway.log" >&2; echo "sway gave no sockets" >&2; exit 1; }
export WAYLAND_DISPLAY=$socket SWAYSOCK
status=0
"$@" || status=$?
# On a failure, a picture of the screen as the command left it.
if [ "$status" != 0 ]; then
    picture=$PWD/$(basename "$1")-failure.png
    grim "$picture" && echo "the screen at the failure: $picture" >&2
fi
exit "$status"
