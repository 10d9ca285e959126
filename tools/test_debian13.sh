#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the test command, tools/test.sh, inside a fresh Debian 13 (trixie) system made from
# Debian's archive: this clone's files copied into a minimal system, as a new user on Debian 13
# would start. Needs root (asks sudo otherwise); the host may be Debian 12 or 13.
#   tools/test_debian13.sh
# The base system and the packages downloaded are kept in /var/cache/kandimor/debian13 (or
# $KANDIMOR_CACHE/debian13) to speed the next run; without them the run makes them anew.
# The system lives in its own mount and process namespaces: whatever way the run ends, the kernel
# unmounts /proc, /dev and /dev/pts and ends every process started in it, and the folder is removed.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=KANDIMOR_CACHE "$0" "$@"
fi

. tools/packages.sh
ensure_packages mmdebstrap git
. tools/systems.sh
in_own_namespaces tools/test_debian13.sh "$@"

system_unpack root "$(system_tar debian13 trixie amd64)"
system_copy_of_clone source
system_mount "$root" "$source" "$systems_cache/debian13/archives"
# The tests run beside a crowd of processes with open files, as on a user's desktop: a nearly
# empty process table, as a new namespace has, would hide what a port scan finds and costs there.
tools/crowd.sh 400 50
# The lane runs again and again on one machine: the compiler's results are kept for the next run.
mkdir -p "$systems_cache/debian13/ccache" "$root/root/.cache/ccache"
mount --bind "$systems_cache/debian13/ccache" "$root/root/.cache/ccache"
system_run "$root" "apt-get update -q >/dev/null && apt-get install -y -q --no-install-recommends ccache >/dev/null &&
    CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=/src CCACHE_NOHASHDIR=1 tools/test.sh"
