// SPDX-License-Identifier: MIT
#pragma once

#include "PortRecord.h"
#include "PortTableLinux.h"

#include <string>
#include <utility>
#include <vector>

// A board's own UARTs as the kernel tells of them, on a Raspberry Pi and other boards with a
// device tree: what each is, from the compatible strings of the device behind its tty ("PL011
// UART", "mini UART"), what it is wired to (a "bluetooth" node beneath it), and the names that
// Raspberry Pi OS's udev rules give them in /dev (serial0 for the UART on the GPIO header,
// serial1). Nothing is assumed of any board.
namespace BoardUarts {

// Adds that to each record of such a UART; others stay as they are.
void describe(std::vector<PortRecord>& records);

// Where sysfs is: the port table's sysfs root, which the other readers of sysfs share.
inline void setSysfsRoot(std::string root) { PortTable::setSysfsRoot(std::move(root)); }

}  // namespace BoardUarts
