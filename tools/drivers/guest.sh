#!/bin/bash
# SPDX-License-Identifier: MIT
# The first process of each virtual machine tools/drivers/test.sh starts, once its root is up:
# brings up each line named in KANDIMOR_LINES with its kernel driver, as a desktop's udev would
# (the node in group dialout), and drives the installed program on it as an ordinary user, with
# the test program KANDIMOR_TEST names. The far ends are read inside the machine: virtio ports
# QEMU joins to the emulated devices, or the USB gadget's own tty. Reports go to /mnt, then the
# machine powers off.
set -u
export PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8
b=/run/kandimor/busybox
out=/mnt
user=1000

$b mount -t devpts -o mode=620,ptmxmode=666 devpts /dev/pts 2>/dev/null || { $b mkdir -p /dev/pts && $b mount -t devpts devpts /dev/pts; }
$b mkdir -p /dev/shm /run/lock "/run/user/$user" /home/panel
$b mount -t tmpfs -o mode=1777 tmpfs /dev/shm
$b chmod 1777 /run/lock
$b chown "$user:$user" "/run/user/$user" /home/panel
$b chmod 700 "/run/user/$user"
echo "guest: $($b uname -r) $($b uname -m), up $($b cut -d' ' -f1 /proc/uptime) s"

failed=()
finish() {
    echo "${failed[*]:-none}" >"$out/failed"
    $b sync
    $b reboot -f
}

# waits until the path exists, up to 60 s.
appears() {
    local tries=600
    while [ ! -e "$1" ] && ((tries-- > 0)); do $b usleep 100000; done
    [ -e "$1" ] || { echo "guest: $1 did not appear"; return 1; }
}

# the virtio port QEMU named NAME; fails where there is none.
virtio_port() {
    local name
    for name in /sys/class/virtio-ports/*/name; do
        [ "$($b cat "$name")" != "$1" ] || { echo "/dev/$($b basename "$($b dirname "$name")")"; return; }
    done
    echo "guest: no virtio port $1" >&2
    return 1
}

# the USB device behind tty NAME, as sysfs names it (1-1).
usb_device_of() {
    $b basename "$($b dirname "$($b dirname "$($b readlink -f "/sys/class/tty/$1/device")")")"
}

# a tty as udev leaves it on Debian: root:dialout 0660.
as_udev() {
    appears "/dev/$1" && $b chgrp dialout "/dev/$1" && $b chmod 660 "/dev/$1"
}

Xvfb :1 -nolisten tcp -screen 0 800x600x24 -noreset >"$out/xvfb.log" 2>&1 &
appears /tmp/.X11-unix/X1 || finish

# drive NAME PORT FAR_END [UNPLUG]: the test program's cases on that line, its report in
# /mnt/NAME.txt; a failure is recorded under NAME.
drive() {
    local name=$1
    echo "== $name: port $2, far end ${3:-none (nothing reads it)}"
    if ! DISPLAY=:1 HOME=/home/panel XDG_RUNTIME_DIR="/run/user/$user" \
        KANDIMOR_INSTALLED_PROGRAM=/usr/bin/kandimor \
        KANDIMOR_RUNNER="setpriv --reuid=$user --regid=$user --init-groups" \
        KANDIMOR_PORT=$2 KANDIMOR_FAR_END=$3 KANDIMOR_UNPLUG=${4:-} \
        "$KANDIMOR_TEST" -o "$out/$name.txt,txt" -o -,txt; then
        failed+=("$name")
    fi
}

# A line whose driver, node or far end does not come up fails as one the test failed on.
for line in ${KANDIMOR_LINES//,/ }; do
    case $line in
        ttyS1)
            as_udev ttyS1 && far=$(virtio_port far.ttyS1) && drive ttyS1 2 "$far" ;;
        ttyAMA0)
            as_udev ttyAMA0 && far=$(virtio_port far.ttyAMA0) && drive ttyAMA0 97 "$far" ;;
        ttyUSB0)
            $b modprobe xhci_pci && $b modprobe ftdi_sio && as_udev ttyUSB0 && far=$(virtio_port far.ttyUSB0) &&
                drive ttyUSB0 33 "$far" "echo 0 >/sys/bus/usb/devices/$(usb_device_of ttyUSB0)/authorized" ;;
        ttyACM0)
            # A board's USB chip runs at full speed: 64-byte packets, as the driver's count has it.
            $b modprobe dummy_hcd is_high_speed=0 && $b modprobe g_serial && $b modprobe cdc_acm &&
                as_udev ttyACM0 && appears /dev/ttyGS0 || { failed+=("$line"); continue; }
            device=/sys/bus/usb/devices/$(usb_device_of ttyACM0)
            echo "guest: ttyACM0 at $($b cat "$device/speed") Mbit/s"
            drive ttyACM0 65 /dev/ttyGS0 "echo 0 >$device/authorized"
            # Plugged again, with nothing opening the gadget's end: the board takes nothing.
            echo 1 >"$device/authorized" && as_udev ttyACM0 && drive ttyACM0-stuck 65 "" ;;
        *)
            echo "guest: no such line: $line"; false ;;
    esac || failed+=("$line")
done
finish
