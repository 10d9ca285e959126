#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine with a COM port that is a Linux pseudo-terminal: its far end
# (socat, holding the master) copies everything the line carries into a file. The program learns
# the port from KANDIMOR_COM_PORT and the file, as Windows names it, from KANDIMOR_FAR_END.
#   on_com_port.sh WINE-RUN PROGRAM [ARGUMENT...]
set -euo pipefail
wine_run=$1
shift
port=${KANDIMOR_COM_PORT:-5}
prefix=$("$wine_run" --prefix)

dir=$(mktemp -d)
socat_pid=
cleanup() {
    exec 3>&- || true
    [ -z "$socat_pid" ] || kill "$socat_pid" 2>/dev/null || true
    wait || true
    rm -f "$prefix/dosdevices/com$port"
    rm -rf "$dir"
}
trap cleanup EXIT

: > "$dir/far-end"
socat -u PTY,link="$dir/line",rawer,wait-slave OPEN:"$dir/far-end",append &
socat_pid=$!
for _ in $(seq 1 500); do
    [ -e "$dir/line" ] && break
    sleep 0.01
done
[ -e "$dir/line" ] || { echo "socat made no pseudo-terminal" >&2; exit 1; }
# Held open here, so that the program closing the port never hangs the line up on socat.
exec 3<>"$dir/line"
ln -sfn "$dir/line" "$prefix/dosdevices/com$port"

export KANDIMOR_COM_PORT=$port
export KANDIMOR_FAR_END="Z:${dir//\//\\}\\far-end"
"$wine_run" "$@"
