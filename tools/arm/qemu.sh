# SPDX-License-Identifier: MIT
# Sourced by tools/arm/ after tools/systems.sh: lets this machine run arm64 and armhf programs,
# the kernel handing them to qemu-user (binfmt_misc), until the calling script ends.
# qemu-user is Debian 12's backport (10.0): Debian 12's own 7.2 rejects clone's CLONE_PIDFD,
# which Qt 6.4's QProcess uses wherever the kernel has it, so that no emulated program could
# start another. Its programs are static; they are unpacked into the cache and registered under
# names of their own, ahead of any the machine has: its packages and its own registrations stay
# as they are.

qemu_cpus=(aarch64 arm)

qemu_use() {
    local dir="$systems_cache/qemu" cpu conf
    if [ ! -f "$dir/unpacked/.complete" ] || [ -n "$(find "$dir/unpacked/.complete" -mtime +6)" ]; then
        echo "== qemu-user from Debian 12's backports" >&2
        private_apt "$dir/apt" \
            "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-backports main" >&2
        rm -rf "$dir/debs" "$dir/unpacked"
        mkdir -p "$dir/debs"
        (cd "$dir/debs" && apt-get "${apt_options[@]}" -q download qemu-user/bookworm-backports \
            qemu-user-binfmt/bookworm-backports >&2)
        for deb in "$dir"/debs/*.deb; do
            dpkg-deb -x "$deb" "$dir/unpacked"
        done
        touch "$dir/unpacked/.complete"
    fi
    mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    systems_at_exit qemu_release
    for cpu in "${qemu_cpus[@]}"; do
        conf="$dir/unpacked/usr/lib/binfmt.d/qemu-$cpu.conf"
        [ -f "$conf" ] || { echo "no binfmt entry for $cpu in qemu-user" >&2; return 1; }
        qemu_release_one "$cpu"
        # Debian's entry, with our name and the unpacked program; its flags (F: the program is
        # opened now, so that it serves inside chroots too) stay.
        sed -e "s|^:qemu-$cpu:|:kandimor-$cpu:|" \
            -e "s|:[^:]*:\([A-Z]*\)\$|:$dir/unpacked/usr/bin/qemu-$cpu:\1|" "$conf" \
            >/proc/sys/fs/binfmt_misc/register
    done
}

qemu_release_one() {
    [ ! -e "/proc/sys/fs/binfmt_misc/kandimor-$1" ] || echo -1 >"/proc/sys/fs/binfmt_misc/kandimor-$1"
}

qemu_release() {
    local cpu
    for cpu in "${qemu_cpus[@]}"; do
        qemu_release_one "$cpu"
    done
}
