#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real-driver lane: the packages as built, installed and driven as a user drives them, on
# the kernel's own serial drivers, in virtual machines with Debian 12's stock kernel (QEMU,
# software emulation):
#   - x86-64: a 16550 UART (8250, ttyS1), an FTDI adapter on xHCI (ftdi_sio, ttyUSB0), and a
#     CDC-ACM board at full speed (cdc_acm, ttyACM0: the kernel's dummy USB controller and its
#     serial gadget, whose ttyGS0 is the board's end);
#   - arm64: the Pi's UART driver, a PL011 from the device tree (ttyAMA0), with the arm64 package.
# On each: the settings the driver programmed (QEMU's trace), the stream's rate and silences,
# the Save burst whole though Exit follows at once, "was lost" when the USB device is pulled, and
# Exit at once on a line that takes nothing. The panel runs as an ordinary user in dialout.
# Uses build/ (tools/setup.sh) and build-arm64/ (tools/arm/build.sh), building what is missing.
# Needs root (asks sudo otherwise). The systems and kernels are kept in /var/cache/kandimor.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=KANDIMOR_CACHE "$0" "$@"
fi

. tools/packages.sh
ensure_packages mmdebstrap arch-test git debian-archive-keyring
if [ -z "${KANDIMOR_RUN_DIR:-}" ]; then
    tools/setup.sh >/dev/null
    [ -f build-arm64/tests/test_real_line ] && compgen -G "build-arm64/kandimor_*_arm64.deb" >/dev/null ||
        tools/arm/build.sh arm64
fi
. tools/systems.sh
in_own_namespaces tools/drivers/test.sh "$@"
. tools/arm/qemu.sh
. tools/arm/systems.sh
. tools/drivers/machines.sh

system_unpack machine "$(system_tar drivers/machine bookworm amd64 "${drivers_machine_packages[@]}")"
system_mount "$machine" "$PWD"
mkdir -p "$machine/var/lib/kandimor"
out=$machine/var/lib/kandimor

# guest_root ROOT ARCH: the kernel's modules where the guest's modprobe looks, the user the panel
# runs as (uid 1000, in dialout, as a desktop's first user), and the guest's first root built.
guest_root() {
    local root=$1 arch=$2
    drivers_kernel "$arch"
    printf -v "kernel_version_$arch" %s "$kernel_version"
    mkdir -p "$machine/kernels/$arch" "$root/lib/modules/$kernel_version"
    mount --bind "$kernel_dir" "$machine/kernels/$arch"
    [ -f "$kernel_dir/lib/modules/$kernel_version/modules.dep" ] ||
        system_run "$machine" "depmod -b /kernels/$arch $kernel_version"
    mount --bind -o ro "$kernel_dir/lib/modules/$kernel_version" "$root/lib/modules/$kernel_version"
    echo "panel:x:1000:1000:Panel user:/home/panel:/bin/bash" >>"$root/etc/passwd"
    echo "panel:x:1000:" >>"$root/etc/group"
    sed -i 's/^\(dialout:x:[0-9]*:\)\(.\+\)$/\1\2,panel/; s/^\(dialout:x:[0-9]*:\)$/\1panel/' "$root/etc/group"
    system_run "$machine" "
        rm -rf /var/lib/kandimor/initrd-$arch && mkdir -p /var/lib/kandimor/initrd-$arch/bin /var/lib/kandimor/initrd-$arch/lib/modules
        cd /var/lib/kandimor/initrd-$arch
        cp /kernels/$arch/bin/busybox bin/ && cp /src/tools/drivers/init init
        for module in \$(modprobe -d /kernels/$arch -S $kernel_version --show-depends -a virtio_pci 9p 9pnet_virtio virtio_console |
                         awk '\$1 == \"insmod\" {print \$2}' | awk '!seen[\$0]++'); do
            cp \$module lib/modules/ && echo /lib/modules/\$(basename \$module) >>modules
        done
        find . | cpio -o -H newc --quiet >../initrd-$arch.cpio"
}

# joined NAME: QEMU options for a chardev the emulated device writes to, joined to a virtio port
# named far.NAME that the guest reads: a listening socket and a client of it, in one QEMU.
joined() {
    echo "-chardev socket,id=$1,path=/var/lib/kandimor/$1.sock,server=on,wait=off" \
         "-chardev socket,id=far$1,path=/var/lib/kandimor/$1.sock" \
         "-device virtserialport,bus=ports.0,chardev=far$1,name=far.$1"
}

# boot ARCH ROOT QEMU [ARGUMENT...]: the guest with ROOT (a folder of the machine system) as its
# root, until it powers off (bounded at 20 minutes).
boot() {
    local arch=$1 root=$2 qemu=$3
    shift 3
    rm -f "$out/failed"
    system_run "$machine" "timeout 1200 $qemu -accel tcg -m 1024 -display none -no-reboot -nodefaults \
        -device virtio-serial-pci,id=ports $* \
        -initrd /var/lib/kandimor/initrd-$arch.cpio \
        -fsdev local,id=root,path=$root,security_model=none,readonly=on,multidevs=remap \
        -device virtio-9p-pci,fsdev=root,mount_tag=root \
        -fsdev local,id=out,path=/var/lib/kandimor,security_model=none \
        -device virtio-9p-pci,fsdev=out,mount_tag=out \
        -D /var/lib/kandimor/trace-$arch.log" || true
    [ -f "$out/failed" ] || { echo "the $arch guest ended without its report; its console:"; tail -n 40 "$out/console-$arch.log"; return 1; }
}

# The x86-64 guest's root is the machine system itself, with the amd64 package installed.
(cd build && rm -rf "$out/package" && cpack -B "$out/package" >/dev/null)
system_run "$machine" "dpkg -i /var/lib/kandimor/package/kandimor_*_amd64.deb >/dev/null && command -v kandimor"
guest_root "$machine" amd64
step "x86-64 guest ready"

# The arm64 guest's root is the arm64 build's test system, with the arm64 package installed.
qemu_use
system_unpack arm64 "$(system_tar arm/arm64-tests bookworm arm64 "${arm64_tests[@]}")"
system_mount "$arm64" "$PWD"
system_run "$arm64" "dpkg -i build-arm64/kandimor_*_arm64.deb >/dev/null && command -v kandimor"
guest_root "$arm64" arm64
mkdir -p "$machine/guest-arm64"
mount --rbind "$arm64" "$machine/guest-arm64"
step "arm64 guest ready"

# report ARCH SETTING...: what the guest's test program printed of each line, and what QEMU saw
# the drivers program into the devices, where each SETTING (a pattern of its trace) must be.
report() {
    local arch=$1 file setting
    shift
    for file in "$out"/tty*.txt; do
        [ -f "$file" ] || continue
        echo "-- $(basename "$file" .txt)"
        grep -E "^(PASS|FAIL|SKIP|QINFO|QWARN|Totals)|Loc:" "$file" | grep -v "initTestCase\|cleanupTestCase" | sed 's/^/   /'
        mv "$file" "$file.$arch"
    done
    echo "-- what the drivers programmed (QEMU's trace, in order)"
    grep -E "serial_update_parameters|usb_serial_set|pl011_baudrate_change|pl011_write addr 0x0+2c " "$out/trace-$arch.log" | uniq -c | sed 's/^/   /'
    [ "$(cat "$out/failed")" = none ] || { echo "failed on $arch: $(cat "$out/failed")"; return 1; }
    for setting in "$@"; do
        grep -qE "$setting" "$out/trace-$arch.log" || { echo "no driver programmed: $setting"; return 1; }
    done
}

# 9600 8N1 as each device is told it: the 16550's (the console's is at 115200), the FTDI
# adapter's requests, and the PL011's divisor from its 24 MHz clock (156 + 16/64) and its line
# control (8 bits, FIFO on, no parity, one stop bit).
status=0
# One CPU: under emulation, two x86 CPUs waking each other cost what a PC's do not, and the
# stream's rate showed it (183 to 187 frames a second with two, 189 to 190 with one, one after
# the other on one machine). The arm64 guest keeps its rate on two.
boot amd64 / qemu-system-x86_64 "-machine pc -cpu max -smp 1 -kernel /kernels/amd64/boot/vmlinuz-$kernel_version_amd64 \
    -append 'console=ttyS0,115200 loglevel=4 panic=-1 KANDIMOR_LINES=ttyS1,ttyUSB0,ttyACM0 KANDIMOR_TEST=/src/build/tests/test_real_line' \
    -serial file:/var/lib/kandimor/console-amd64.log $(joined ttyS1) -serial chardev:ttyS1 \
    -device qemu-xhci,id=xhci $(joined ttyUSB0) -device usb-serial,bus=xhci.0,chardev=ttyUSB0 \
    -trace serial_update_parameters -trace 'usb_serial_set_*'" &&
    report amd64 "serial_update_parameters baudrate=9600 parity='N' data=8 stop=1" \
        "usb_serial_set_baud dev [0-9:]+ baud rate 9600" \
        "usb_serial_set_data dev [0-9:]+ parity N, data bits 8, stop bits 1" || status=1
step "x86-64 guest: 8250, ftdi_sio, cdc_acm"

# The Pi's UART is the virt machine's PL011, which the device tree names; the console is virtio's.
boot arm64 /guest-arm64 qemu-system-aarch64 "-machine virt -cpu cortex-a72 -smp 2 \
    -kernel /kernels/arm64/boot/vmlinuz-$kernel_version_arm64 \
    -append 'console=hvc0 loglevel=4 panic=-1 KANDIMOR_LINES=ttyAMA0 KANDIMOR_TEST=/src/build-arm64/tests/test_real_line' \
    -chardev file,id=console,path=/var/lib/kandimor/console-arm64.log -device virtconsole,bus=ports.0,chardev=console \
    $(joined ttyAMA0) -serial chardev:ttyAMA0 \
    -trace pl011_baudrate_change -trace pl011_write" &&
    report arm64 "pl011_baudrate_change .*ibrd: 156, fbrd: 16" "pl011_write addr 0x0+2c value 0x0+70" || status=1
step "arm64 guest: PL011"
exit "$status"
