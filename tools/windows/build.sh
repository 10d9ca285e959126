#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the panel for Windows x86-64 on Debian, into build-windows/: Qt base for MinGW-w64 first
# (once: it is cached), then kandimor.exe, its tests, and the installer and the zip:
#   build-windows/Kandimor-<version>-windows-x64-setup.exe
#   build-windows/Kandimor-<version>-windows-x64.zip
set -euo pipefail
cd "$(dirname "$0")/../.."
. tools/packages.sh
ensure_packages cmake ninja-build g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix nsis \
    librsvg2-bin icoutils zip fonts-dejavu-core

qt="$(tools/windows/build_qt.sh | tail -n 1)"
cmake -S . -B build-windows -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/windows/mingw-w64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
    -DCMAKE_BUILD_TYPE=Release -DKANDIMOR_WERROR=ON >/dev/null
cmake --build build-windows --parallel "$(nproc)"
cmake --build build-windows --target windows_package
