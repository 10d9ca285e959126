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

suite=trixie
mirror=http://deb.debian.org/debian
cache="${KANDIMOR_CACHE:-/var/cache/kandimor}/debian13"
base="$cache/base.tar"
mkdir -p "$cache/archives/partial"

# A base older than a week is made again, so the run starts close to what a new user gets.
if [ ! -s "$base" ] || [ -n "$(find "$base" -mtime +6)" ]; then
    echo "== making a minimal Debian 13 system from Debian's archive"
    rm -rf "$cache/base-new.tar"
    mmdebstrap --quiet --variant=minbase --format=tar "$suite" "$cache/base-new.tar" \
        "deb $mirror $suite main" "deb $mirror $suite-updates main" \
        "deb http://deb.debian.org/debian-security $suite-security main"
    mv "$cache/base-new.tar" "$base"
fi

root=$(mktemp -d /var/tmp/kandimor-debian13.XXXXXX)
remove_root() { rm -rf --one-file-system "$root"; }
trap remove_root EXIT
tar -C "$root" -xf "$base"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root/src"
git ls-files -z --cached --others --exclude-standard | tar -C . --null -T - -cf - | tar -C "$root/src" -xf -

# --pid with --kill-child: when this script or the system's first process ends, every process in
# it ends too; --propagation private keeps the binds out of the host's mount table. The tests run
# beside a crowd of processes with open files, as on a user's desktop: a nearly empty process
# table, as a new namespace has, would hide what a port scan finds and costs there.
unshare --mount --propagation private --pid --fork --kill-child -- bash -euo pipefail -c '
    root=$1 archives=$2
    tools/crowd.sh 400 50
    mount -t proc proc "$root/proc"
    mount --bind /dev "$root/dev"
    mount --bind /dev/pts "$root/dev/pts"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    mount --bind -o ro /sys "$root/sys"
    mount --bind "$archives" "$root/var/cache/apt/archives"
    exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd /src && tools/test.sh"
' lane "$root" "$cache/archives"
