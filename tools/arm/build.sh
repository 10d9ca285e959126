#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the panel for the Raspberry Pi and other ARM boards running Debian 12 (Raspberry Pi OS)
# on a Debian amd64 machine, cross-compiled in a Debian 12 system of the project's own making:
# the machine's package set stays as it is. Needs root (asks sudo otherwise).
#   tools/arm/build.sh            both: build-arm64/kandimor_<version>_arm64.deb and
#                                 build-armhf/kandimor_<version>_armhf.deb
#   tools/arm/build.sh arm64      one of them
# The build system and the compiler cache live in /var/cache/kandimor/arm (or $KANDIMOR_CACHE).
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=KANDIMOR_CACHE "$0" "$@"
fi
architectures=("$@")
((${#architectures[@]})) || architectures=(arm64 armhf)
for architecture in "${architectures[@]}"; do
    [ -f "tools/arm/$architecture.cmake" ] || { echo "no such target: $architecture (arm64, armhf)" >&2; exit 2; }
done

. tools/packages.sh
ensure_packages mmdebstrap git debian-archive-keyring
. tools/systems.sh
in_own_namespaces tools/arm/build.sh "$@"
. tools/arm/builder.sh

arm_builder builder
for architecture in "${architectures[@]}"; do
    arm_build "$builder" "$architecture"
done
