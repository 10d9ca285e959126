#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows lane: builds the panel for Windows (tools/windows/build.sh), then, under Wine and
# Xvfb, runs the Windows build's tests, installs it with its installer, drives the installed
# program end to end, and uninstalls it again.
set -euo pipefail
cd "$(dirname "$0")/../.."
echo "== Windows x86-64: cross-built, tested under Wine"
tools/windows/build.sh
. tools/packages.sh
ensure_packages wine wine64 socat xvfb xauth xdotool
# The end-to-end test's own side is a Linux program: it holds the line's far end.
tools/setup.sh test_installed_program >/dev/null

# A prefix of its own for every run, so nothing of an earlier one is found installed.
export WINEPREFIX="$PWD/build-windows/wine"
rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
wine=build-windows/wine-run.sh
wine_ends() { wineserver --wait 2>/dev/null || true; }
trap wine_ends EXIT
# Runs a command on an X server of its own, and lets Wine end (its desktop too) before the server
# goes.
on_x() {
    xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
        bash -c '"$@" && status=0 || status=$?; wineserver --wait 2>/dev/null; exit $status' on_x "$@"
}

echo "== tests under Wine"
on_x ctest --test-dir build-windows --output-on-failure --timeout 300

echo "== the frame rate on a COM port under Wine (a figure, not a test)"
on_x tests/windows/on_com_port.sh "$wine" \
    build-windows/bench/windows/kandimor_rate_bench.exe 10

echo "== the installer, silently"
setup=(build-windows/Kandimor-*-windows-x64-setup.exe)
on_x "$wine" "${setup[0]}" /S
installed="$WINEPREFIX/drive_c/Program Files/Kandimor"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kandimor.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kandimor'
for file in kandimor.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll \
            styles/qwindowsvistastyle.dll fonts/DejaVuSans.ttf libstdc++-6.dll LICENSE.txt uninstall.exe; do
    [ -f "$installed/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
[ -f "$shortcut" ] || { echo "no Start-menu entry" >&2; exit 1; }
"$wine" reg query "$uninstall_key" /v DisplayName >/dev/null || { echo "not in the installed programs" >&2; exit 1; }
echo "installed: $(cd "$installed" && find . -type f | wc -l) files, a Start-menu entry, an uninstaller"
# Wine's desktop, started for reg without a display, must be gone before the program's windows
# are to show on Xvfb.
wine_ends

echo "== the installed program, end to end"
KANDIMOR_INSTALLED_PROGRAM="$installed/kandimor.exe" KANDIMOR_RUNNER="$PWD/$wine" \
    on_x build/tests/test_installed_program

echo "== the uninstaller, silently"
# _?= keeps the uninstaller in place, so that Wine waits for it (Windows would keep the running
# uninstaller itself; Wine lets it go too).
on_x "$wine" "$installed/uninstall.exe" /S '_?=C:\Program Files\Kandimor'
left="$([ ! -d "$installed" ] || find "$installed" -type f ! -name uninstall.exe)"
[ -z "$left" ] || { echo "left behind: $left" >&2; exit 1; }
[ ! -e "$shortcut" ] || { echo "Start-menu entry left behind" >&2; exit 1; }
! "$wine" reg query "$uninstall_key" >/dev/null 2>&1 || { echo "still in the installed programs" >&2; exit 1; }
echo "uninstalled: nothing it installed is left"
