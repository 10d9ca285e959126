# SPDX-License-Identifier: MIT
# Sourced by tools/drivers/test.sh after tools/systems.sh: what the virtual machines are made of.
# The machine system is Debian 12 amd64 with QEMU and what the x86-64 guest runs: the guest's
# root is the same folder, read-only over virtio-9p. The guests' kernels are Debian 12's stock
# ones, from their packages, unpacked beside busybox into the cache (drivers/), never installed.

drivers_machine_packages=(qemu-system-x86 qemu-system-arm
                          libqt6widgets6 libqt6serialport6 libqt6test6 qt6-qpa-plugins fonts-dejavu-core
                          xvfb xauth xdotool x11-utils kmod cpio)

# drivers_kernel ARCH: unpacks Debian 12's kernel for ARCH (amd64, arm64), with its modules and
# their index, and the static busybox the guest's first root runs, into the cache; sets
# kernel_dir to the folder and kernel_version to the modules' version. Fetched anew after a week,
# so the guest runs the kernel a user's apt upgrade brings.
drivers_kernel() {
    local arch=$1 dir deb meta
    dir="$systems_cache/drivers/kernel-$arch"
    if [ ! -f "$dir/unpacked/.complete" ] || [ -n "$(find "$dir/unpacked/.complete" -mtime +6)" ]; then
        echo "== Debian 12's kernel and busybox for $arch" >&2
        private_apt "$dir/apt" \
            "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $systems_mirror bookworm main" \
            "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main" >&2
        apt_options+=(-o "APT::Architecture=$arch" -o "APT::Architectures=$arch")
        apt-get "${apt_options[@]}" -q update >&2
        # The metapackage names this week's kernel package.
        meta=$(apt-cache "${apt_options[@]}" depends "linux-image-$arch" | sed -n 's/^ *Depends: \(linux-image-[^ ]*\)$/\1/p' | head -n 1)
        [ -n "$meta" ] || { echo "no kernel package behind linux-image-$arch" >&2; return 1; }
        rm -rf "$dir/debs" "$dir/unpacked"
        mkdir -p "$dir/debs" "$dir/unpacked"
        (cd "$dir/debs" && apt-get "${apt_options[@]}" -q download "$meta" busybox-static >&2)
        for deb in "$dir"/debs/*.deb; do
            dpkg-deb -x "$deb" "$dir/unpacked"
        done
        touch "$dir/unpacked/.complete"
    fi
    kernel_dir="$dir/unpacked"
    kernel_version=$(ls "$kernel_dir/lib/modules")
}
