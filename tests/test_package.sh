#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the .deb from a finished build and checks what it holds, what it depends on and where
# its files land once unpacked.   tests/test_package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/out/kandimor_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single kandimor .deb in: $(ls "$work/out")"
deb=${debs[0]}

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
expected=$'./usr/bin/kandimor\n./usr/share/applications/kandimor.desktop\n./usr/share/icons/hicolor/scalable/apps/kandimor.svg'
[ "$files" = "$expected" ] || fail "package holds:"$'\n'"$files"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(dpkg-deb -f "$deb" Package)" = kandimor ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version is not $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no description"

root="$work/root"
dpkg -x "$deb" "$root"
program="$root/usr/bin/kandimor"
[ -x "$program" ] || fail "usr/bin/kandimor is not executable"

# Every Qt library the program links directly comes from a package it depends on.
depends=$(dpkg-deb -f "$deb" Depends)
qt_libraries=0
while read -r library; do
    owner=$(dpkg -S "$(readlink -f "$library")" 2>/dev/null | head -n1 | cut -d: -f1) ||
        fail "no package owns $library"
    [ -n "$owner" ] || fail "no package owns $library"
    [[ ",$depends," =~ [,\ ]$owner[\ ,] ]] || fail "$library is from $owner, not in Depends: $depends"
    qt_libraries=$((qt_libraries + 1))
done < <(for needed in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(libQt6[^]]*\)\]/\1/p'); do
    ldd "$program" | awk -v name="$needed" '$1 == name {print $3}'
done)
[ "$qt_libraries" -ge 4 ] || fail "only $qt_libraries Qt libraries linked"

entry="$root/usr/share/applications/kandimor.desktop"
desktop-file-validate "$entry" || fail "desktop entry does not validate"
grep -qx 'Exec=kandimor' "$entry" || fail "entry does not start kandimor"
grep -qx 'Icon=kandimor' "$entry" || fail "entry does not name the icon"
grep -qx 'Terminal=false' "$entry" || fail "entry would open a terminal"
xmllint --noout "$root/usr/share/icons/hicolor/scalable/apps/kandimor.svg" || fail "icon is not well-formed"
echo "package ok: $(basename "$deb")"
