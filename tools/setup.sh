#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what building, running and testing the panel needs, from Debian's packages, and
# builds into build/: the targets named, with what they need, or everything when none is named.
# Safe to run again: it installs only what is missing.
#   tools/setup.sh                  everything: programs, tests, benchmark
#   tools/setup.sh kandimor         the panel alone
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake
    qt6-base-dev qt6-serialport-dev libgl-dev
    fonts-dejavu-core
    xvfb xauth xdotool x11-utils
    qt6-wayland sway wtype grim libwayland-dev pkgconf
    dpkg-dev desktop-file-utils libxml2-utils lintian appstream
)

. tools/packages.sh
ensure_packages "${packages[@]}"

# It installs the Wayland client library: the Wayland end-to-end test must be built.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKANDIMOR_WERROR=ON -DKANDIMOR_REQUIRE_WAYLAND_TEST=ON >/dev/null
targets=()
(($# == 0)) || targets=(--target "$@")
cmake --build build --parallel "$(nproc)" "${targets[@]}"
