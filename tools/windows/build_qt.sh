#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Qt base (Core, Gui, Widgets, Test and the windows platform plugin) for Windows x86-64
# with MinGW-w64, from Debian's own qt6-base sources of the version installed on this machine, so
# that the host's tools (moc, uic, rcc) match it. The result is cached outside the clone, by Qt
# version, and later runs reuse it. Prints the install prefix on its last line.
#   KANDIMOR_WINDOWS_CACHE   where to keep it (default /var/cache/kandimor/windows)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here/../.."
. tools/packages.sh
ensure_packages qt6-base-dev qt6-base-dev-tools g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    cmake ninja-build dpkg-dev debian-archive-keyring

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
cache="${KANDIMOR_WINDOWS_CACHE:-/var/cache/kandimor/windows}"
version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"  # e.g. 6.4.2+dfsg-10
upstream="${version%%[+-]*}"
prefix="$cache/qt-$upstream-mingw-w64"
if [ -f "$prefix/.complete" ]; then
    echo "Qt $upstream for MinGW-w64: cached in $prefix"
    echo "$prefix"
    exit 0
fi
$sudo mkdir -p "$cache"
$sudo chown "$(id -u):$(id -g)" "$cache"

# Debian's source index through a private apt configuration: the machine's own sources stay as
# they are. apt checks the index against the archive's signed Release, and dpkg-source checks the
# tarballs against the .dsc.
codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
private_apt "$cache/apt" \
    "deb-src [signed-by=$keyring] http://deb.debian.org/debian $codename main" \
    "deb-src [signed-by=$keyring] http://deb.debian.org/debian $codename-updates main" \
    "deb-src [signed-by=$keyring] http://deb.debian.org/debian-security $codename-security main"

# A build that was cut short goes on where it stopped; a finished one leaves nothing behind.
work="$cache/qt-$upstream-build"
mkdir -p "$work"
if [ ! -d "$work/src" ]; then
    (cd "$work" && apt-get "${apt_options[@]}" -q source --download-only "qt6-base=$version")
    # The .dsc's own signature is its maintainer's, whose key is in debian-keyring, not on the
    # machine: dpkg-source warns of that and still checks every tarball against the .dsc. The
    # tree is unpacked aside and moved in whole, so a half-unpacked one is never built.
    rm -rf "$work/src.unpacking"
    dpkg-source -x "$work/qt6-base_${version#*:}.dsc" "$work/src.unpacking" >/dev/null
    mv "$work/src.unpacking" "$work/src"
fi
[ -d "$work/src/src/corelib" ] || { echo "qt6-base sources did not unpack" >&2; exit 1; }

# Debian's tarball leaves out src/3rdparty/wintab: tablet events stay off. Network, SQL, D-Bus
# and printing are not used by the panel. OpenGL stays: Qt 6.4's windows platform plugin does
# not build without it.
cmake -S "$work/src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_vulkan=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_testlib=ON
cmake --build "$work/build" --parallel "$(nproc)"
cmake --install "$work/build" >/dev/null
echo "$version" > "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
