#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The ARM lane: builds both packages (tools/arm/build.sh's build), then, with qemu-user running
# the ARM programs on this amd64 machine:
#   - in a Debian 12 arm64 system: the arm64 build's unit and gui tests and its package check,
#     and the streaming benchmark's figures;
#   - in the build system: the armhf build's unit tests and its package check;
#   - in a fresh Debian 12 arm64 system without build tools: the arm64 package installed with
#     apt as a user installs it, and the installed program driven end to end from this machine,
#     on an X server here.
# Needs root (asks sudo otherwise). The systems are made once a week and kept in
# /var/cache/kandimor/arm (or $KANDIMOR_CACHE/arm); the arm64 ones are made under emulation,
# about 10 minutes, beside the build.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=KANDIMOR_CACHE "$0" "$@"
fi

. tools/packages.sh
ensure_packages mmdebstrap arch-test git debian-archive-keyring xvfb xauth xdotool
if [ -z "${KANDIMOR_RUN_DIR:-}" ]; then
    # The installed program's test is a program of this machine: it holds the line's far end.
    tools/setup.sh test_installed_program >/dev/null
fi
. tools/systems.sh
in_own_namespaces tools/arm/test.sh "$@"
. tools/arm/qemu.sh
. tools/arm/builder.sh
. tools/arm/systems.sh

qemu_use
(
    system_tar arm/arm64-tests bookworm arm64 "${arm64_tests[@]}" >/dev/null
    system_tar arm/arm64 bookworm arm64 >/dev/null
) &
making=$!
arm_builder builder
arm_build "$builder" arm64
arm_build "$builder" armhf
wait "$making"
step "built"

echo "== armhf: unit tests and the package check, in the build system"
system_run "$builder" "cd build-armhf && ctest -L 'unit|package' --output-on-failure --timeout 300"
step "armhf tested"

echo "== arm64: unit and gui tests and the package check, in a Debian 12 arm64 system"
system_unpack tests "$(system_tar arm/arm64-tests bookworm arm64 "${arm64_tests[@]}")"
system_mount "$tests" "$PWD"
# The Wayland end-to-end test is not among them: the cross build has no Wayland client library
# for its pointer, and it drives the same program as the X11 one does, on the x86-64 lanes.
system_run "$tests" "cd build-arm64 && ctest -L 'unit|gui|package' -E 'bench_smoke|test_end_to_end_wayland' --output-on-failure --timeout 300"
echo "== arm64: the streaming benchmark, short (figures, not a test)"
system_run "$tests" "QT_QPA_PLATFORM=offscreen build-arm64/bench/kandimor_bench --smoke"
step "arm64 tested"

echo "== arm64: the package installed with apt in a fresh Debian 12 arm64 system, and driven"
system_unpack fresh "$(system_tar arm/arm64 bookworm arm64)"
system_mount "$fresh" "$PWD" "$systems_cache/arm/archives"
# The X server's socket and its key are in this machine's /tmp.
mount --bind /tmp "$fresh/tmp"
system_run "$fresh" "apt-get -q update && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./build-arm64/kandimor_*_arm64.deb"
system_run "$fresh" "for tool in cc c++ make cmake; do ! command -v \$tool; done" >/dev/null ||
    { echo "the fresh system has build tools" >&2; exit 1; }
KANDIMOR_INSTALLED_PROGRAM=/usr/bin/kandimor KANDIMOR_RUNNER="chroot $fresh" \
    xvfb-run -a -s "-screen 0 800x600x24 -noreset" build/tests/test_installed_program
step "arm64 installed and driven"
