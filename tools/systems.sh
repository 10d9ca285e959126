# SPDX-License-Identifier: MIT
# Sourced by the lanes that run in Debian systems of the project's own making (tools/test_debian13.sh,
# tools/arm/): a minimal system made from Debian's archive with mmdebstrap and kept as a tar file,
# and fresh copies of it to run commands in, so the machine's own package set stays as it is.
# Root only. The caches live in /var/cache/kandimor (or $KANDIMOR_CACHE).

systems_cache="${KANDIMOR_CACHE:-/var/cache/kandimor}"
systems_mirror=http://deb.debian.org/debian
systems_exit_actions=()

# systems_at_exit COMMAND: runs COMMAND when the calling script ends, the latest first.
systems_at_exit() {
    systems_exit_actions=("$1" "${systems_exit_actions[@]}")
    trap systems_exit EXIT
}

systems_exit() {
    local action
    for action in "${systems_exit_actions[@]}"; do
        $action || true
    done
}

# step WHAT: the lane's log says WHAT is done, and how long it took since the last step.
systems_step_start=$SECONDS
step() {
    echo "== $1 ($((SECONDS - systems_step_start)) s since the last step)"
    systems_step_start=$SECONDS
}

# in_own_namespaces SCRIPT "$@": runs the calling script (its path from the clone's top) again in
# mount and process namespaces of its own, unless it already is, and ends with its status.
# Whatever way it ends, the kernel unmounts everything it mounted and ends every process it
# started. The folders it made are removed out here, where its mounts were never seen, so
# removing them can never reach into a folder bound inside.
in_own_namespaces() {
    [ -z "${KANDIMOR_RUN_DIR:-}" ] || return 0
    local status=0
    KANDIMOR_RUN_DIR=$(mktemp -d /var/tmp/kandimor-run.XXXXXX)
    trap 'rm -rf --one-file-system "$KANDIMOR_RUN_DIR"' EXIT
    KANDIMOR_RUN_DIR=$KANDIMOR_RUN_DIR unshare --mount --propagation private --pid --fork --kill-child -- "$@" ||
        status=$?
    exit "$status"
}

# system_tar NAME SUITE ARCHITECTURES [PACKAGE...]: prints the tar file of a minimal system of
# SUITE for ARCHITECTURES (comma-separated, the first one native, the others foreign) with the
# packages given (name:arch for a foreign one). It is made anew when none exists for this list
# or the one there is older than a week, so a run starts close to what a new user gets.
# Systems of a foreign architecture are made under qemu-user.
system_tar() {
    local name=$1 suite=$2 architectures=$3
    shift 3
    local dir="$systems_cache/$name" key include=()
    key=$(printf '%s\n' "$suite" "$architectures" "$@" | sha256sum | cut -c1-16)
    local tar="$dir/system-$key.tar"
    if [ ! -s "$tar" ] || [ -n "$(find "$tar" -mtime +6)" ]; then
        echo "== making $name: a minimal Debian $suite ($architectures) from Debian's archive" >&2
        mkdir -p "$dir"
        rm -f "$dir"/system-*.tar "$dir/new.tar"
        (($# == 0)) || include=(--include="$(IFS=,; echo "$*")")
        local sources=("deb $systems_mirror $suite main" "deb $systems_mirror $suite-updates main")
        local security="deb http://deb.debian.org/debian-security $suite-security main" try
        # A mirror caught mid-sync serves an index that does not match its Release file (seen for
        # one architecture's security index for over an hour): tried again, then made without the
        # security suite, said aloud, and kept a day only, so the next day's run makes it whole.
        for try in 1 2 3; do
            if ((try == 3)); then
                security=""
                echo "== $name: the archive's indexes do not match now; made without $suite-security, for a day" >&2
            fi
            if mmdebstrap --quiet --variant=minbase --architectures="$architectures" "${include[@]}" \
                --format=tar "$suite" "$dir/new.tar" "${sources[@]}" ${security:+"$security"} >&2; then
                mv "$dir/new.tar" "$tar"
                ((try < 3)) || touch -d "6 days ago" "$tar"
                break
            fi
            rm -f "$dir/new.tar"
            ((try == 3)) || sleep 60
        done
        [ -s "$tar" ] || return 1
    fi
    echo "$tar"
}

# systems_folder VARIABLE: a new folder for this run, named in VARIABLE; in_own_namespaces
# removes it.
systems_folder() {
    local -n folder=$1
    folder=$(mktemp -d "$KANDIMOR_RUN_DIR/system.XXXXXX")
}

# system_unpack VARIABLE TAR: a fresh copy of the system in TAR, in a new folder named in
# VARIABLE.
system_unpack() {
    systems_folder "$1"
    local -n unpacked=$1
    tar -C "$unpacked" -xf "$2"
    cp /etc/resolv.conf "$unpacked/etc/resolv.conf"
}

# system_copy_of_clone VARIABLE: this clone's files (tracked and untracked, not ignored ones such
# as build folders) in a new folder named in VARIABLE.
system_copy_of_clone() {
    systems_folder "$1"
    local -n copy=$1
    chmod 755 "$copy"
    git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -C "$copy" -xf -
}

# system_mount ROOT SOURCE [ARCHIVES]: inside own namespaces, gives the system in ROOT a /proc of
# its own, the machine's devices and pseudo-terminals, /sys read-only, and the folder SOURCE as
# /src. With ARCHIVES, apt keeps the packages it downloads there for the next run.
system_mount() {
    local root=$1 source=$2 archives=${3:-}
    mount -t proc proc "$root/proc"
    mount --bind /dev "$root/dev"
    mount --bind /dev/pts "$root/dev/pts"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    mount --bind -o ro /sys "$root/sys"
    mkdir -p "$root/src"
    mount --bind "$source" "$root/src"
    if [ -n "$archives" ]; then
        mkdir -p "$archives/partial"
        mount --bind "$archives" "$root/var/cache/apt/archives"
    fi
}

# system_run ROOT COMMAND: runs the shell command in the system in ROOT, in /src, as root with a
# plain environment.
system_run() {
    chroot "$1" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -euo pipefail -c "cd /src && $2"
}
