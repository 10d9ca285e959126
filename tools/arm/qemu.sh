# SPDX-License-Identifier: MIT
# Sourced by tools/arm/ after tools/systems.sh: lets this machine run arm64 and armhf programs,
# the kernel handing them to qemu-user (binfmt_misc), until the calling script ends.
# qemu-user is Debian 12's backport (10.0): Debian 12's own 7.2 rejects clone's CLONE_PIDFD,
# which Qt 6.4's QProcess uses wherever the kernel has it, so that no emulated program could
# start another. Its programs are static; they are unpacked into the cache and registered ahead
# of any the machine has, until the calling script ends: its packages and its own registrations
# stay as they are. mmdebstrap looks for an entry under Debian's name (qemu-aarch64), else wants
# qemu-user-static's program in /usr/bin: ours takes Debian's name where the machine has none.

qemu_cpus=(aarch64 arm)
qemu_registered=()

qemu_use() {
    local dir="$systems_cache/qemu" cpu conf name
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
        name=kandimor-$cpu
        [ ! -e "/proc/sys/fs/binfmt_misc/$name" ] || echo -1 >"/proc/sys/fs/binfmt_misc/$name"  # a run cut off
        [ -e "/proc/sys/fs/binfmt_misc/qemu-$cpu" ] || name=qemu-$cpu
        # Debian's entry, with our program; its flags (F: the program is opened now, so that it
        # serves inside chroots too) stay.
        sed -e "s|^:qemu-$cpu:|:$name:|" \
            -e "s|:[^:]*:\([A-Z]*\)\$|:$dir/unpacked/usr/bin/qemu-$cpu:\1|" "$conf" \
            >/proc/sys/fs/binfmt_misc/register
        qemu_registered+=("$name")
    done
}

qemu_release() {
    local name
    for name in "${qemu_registered[@]}"; do
        [ ! -e "/proc/sys/fs/binfmt_misc/$name" ] || echo -1 >"/proc/sys/fs/binfmt_misc/$name"
    done
}
