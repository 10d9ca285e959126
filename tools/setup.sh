#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what building, running and testing the panel needs, from Debian's packages, and
# builds it into build/. Safe to run again: it installs only what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake
    qt6-base-dev qt6-serialport-dev libgl-dev
    fonts-dejavu-core
    xvfb xauth xdotool
    dpkg-dev desktop-file-utils libxml2-utils lintian appstream
)

. tools/packages.sh
ensure_packages "${packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"
