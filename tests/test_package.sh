#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the .deb from a finished build and checks it: Debian's lintian and AppStream's validator
# have nothing to say about it, it holds what it should, it depends on what its programs link,
# and its files work once unpacked.
#   tests/test_package.sh BUILD_DIR          builds the .deb with cpack and checks it
#   tests/test_package.sh BUILD_DIR --made   checks the .deb cpack made in BUILD_DIR before: a
#                                            cross build's, made with the build machine's tools
#                                            and checked where its programs run
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${2:-}" = --made ]; then
    debs=("$build"/kandimor_*.deb)
else
    (cd "$build" && cpack -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
    debs=("$work"/out/kandimor_*.deb)
fi
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single kandimor .deb: ${debs[*]}"
deb=${debs[0]}

# lintian with its default profile, info tags shown too: not one line. As root it adds a note
# about itself on stderr, which says nothing about the package.
lintian --display-info "$deb" >"$work/lintian.out" 2>"$work/lintian.err" || true
grep -vx 'running with root privileges is not recommended!' "$work/lintian.err" >>"$work/lintian.out" || true
[ ! -s "$work/lintian.out" ] || fail "lintian:"$'\n'"$(cat "$work/lintian.out")"

id=org.example.kandimor
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
expected=$(sort <<EOF
./usr/bin/kandimor
./usr/bin/kandimor-virtual-controller
./usr/share/applications/$id.desktop
./usr/share/doc/kandimor/changelog.gz
./usr/share/doc/kandimor/copyright
./usr/share/icons/hicolor/scalable/apps/kandimor.svg
./usr/share/man/man1/kandimor-virtual-controller.1.gz
./usr/share/man/man1/kandimor.1.gz
./usr/share/metainfo/$id.metainfo.xml
EOF
)
[ "$files" = "$expected" ] || fail "package holds:"$'\n'"$files"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
architecture=$(sed -n 's/^KANDIMOR_DEB_ARCHITECTURE:INTERNAL=//p' "$build/CMakeCache.txt")
[ "$(dpkg-deb -f "$deb" Package)" = kandimor ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version is not $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$architecture" ] || fail "architecture is not $architecture"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no description"
[ "$(dpkg-deb -f "$deb" Recommends)" = qt6-wayland ] || fail "does not recommend Qt's Wayland plugin"

root="$work/root"
dpkg -x "$deb" "$root"
doc="$root/usr/share/doc/kandimor"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$doc/copyright" ||
    fail "copyright file is not machine-readable"
grep -qx 'License: MIT' "$doc/copyright" || fail "copyright file names no MIT licence"
zcat "$doc/changelog.gz" | head -n1 | grep -q "^kandimor ($version) " || fail "changelog does not start at $version"

# gzip -9n: no name and no time stamp in the header (so the same build gives the same bytes),
# and the best compression.
for compressed in "$doc/changelog.gz" "$root"/usr/share/man/man1/*.gz; do
    [ "$(od -An -tx1 -j3 -N6 "$compressed" | tr -d ' \n')" = 000000000002 ] ||
        fail "$(basename "$compressed") is not compressed as gzip -9n does"
done

# Each program has its manual page and its build id, and is stripped; every Qt library it links
# directly comes from a package the .deb depends on.
depends=$(dpkg-deb -f "$deb" Depends)
for program in "$root"/usr/bin/*; do
    name=$(basename "$program")
    [ -x "$program" ] || fail "$name is not executable"
    [ -f "$root/usr/share/man/man1/$name.1.gz" ] || fail "$name has no manual page"
    readelf -n "$program" | grep -q 'Build ID' || fail "$name lost its build id"
    ! readelf -S "$program" | grep -q '\.symtab' || fail "$name is not stripped"
    qt_libraries=0
    while read -r library; do
        owner=$(dpkg -S "$(readlink -f "$library")" 2>/dev/null | head -n1 | cut -d: -f1) ||
            fail "no package owns $library"
        [ -n "$owner" ] || fail "no package owns $library"
        [[ ",$depends," =~ [,\ ]$owner[\ ,] ]] || fail "$library is from $owner, not in Depends: $depends"
        qt_libraries=$((qt_libraries + 1))
    done < <(for needed in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(libQt6[^]]*\)\]/\1/p'); do
        # ldd's own way, which also works for a program of another architecture run by qemu-user.
        LD_TRACE_LOADED_OBJECTS=1 "$program" | awk -v name="$needed" '$1 == name {print $3}'
    done)
    [ "$name" != kandimor ] || [ "$qt_libraries" -ge 4 ] || fail "kandimor links only $qt_libraries Qt libraries"
done

# The desktop entry and the AppStream metainfo share one id, and both validate without a word.
entry="$root/usr/share/applications/$id.desktop"
metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
validation=$(desktop-file-validate "$entry" 2>&1) || fail "desktop entry does not validate: $validation"
[ -z "$validation" ] || fail "desktop-file-validate: $validation"
grep -qx 'Exec=kandimor' "$entry" || fail "entry does not start kandimor"
# The window's X11 class, as the end-to-end test reads it, ties the window to this entry.
grep -qx 'StartupWMClass=Kandimor' "$entry" || fail "entry names no window class"
grep -qx 'Icon=kandimor' "$entry" || fail "entry does not name the icon"
grep -qx 'Terminal=false' "$entry" || fail "entry would open a terminal"
[ "$(xmllint --xpath 'string(/component/id)' "$metainfo")" = "$id" ] || fail "metainfo id is not $id"
[ "$(xmllint --xpath 'string(/component/launchable[@type="desktop-id"])' "$metainfo")" = "$id.desktop" ] ||
    fail "metainfo does not launch $id.desktop"
[ -n "$(xmllint --xpath 'string(/component/screenshots/screenshot/image)' "$metainfo")" ] || fail "no screenshot"
validation=$(appstreamcli validate-tree --pedantic --no-net "$root" 2>&1) || fail "appstreamcli: $validation"
[ "$(wc -l <<<"$validation")" -eq 1 ] && [[ "$validation" == *"Validation was successful." ]] ||
    fail "appstreamcli:"$'\n'"$validation"
xmllint --noout "$root/usr/share/icons/hicolor/scalable/apps/kandimor.svg" || fail "icon is not well-formed"

# The unpacked controller starts, names its line, and ends cleanly on SIGTERM.
coproc controller { exec "$root/usr/bin/kandimor-virtual-controller"; }
read -r -t 20 first_line <&"${controller[0]}" || fail "the virtual controller said nothing"
[[ "$first_line" =~ ^Virtual\ servo\ controller\ \(pid\ [0-9]+\)\ on\ /dev/pts/[0-9]+$ ]] ||
    fail "the virtual controller said: $first_line"
controller_pid=$controller_PID
kill -TERM "$controller_pid"
status=0
wait "$controller_pid" || status=$?
[ "$status" -eq 0 ] || fail "the virtual controller ended with status $status"
echo "package ok: $(basename "$deb")"
