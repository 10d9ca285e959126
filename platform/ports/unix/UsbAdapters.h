// SPDX-License-Identifier: MIT
#pragma once

#include "PortFault.h"

#include <string>
#include <vector>

// USB serial adapters as sysfs shows them, port or none. A braille display service (brltty)
// takes the chips common in cheap adapters (CH340, CP210x, FTDI, PL2303) from their driver the
// moment they are plugged in: the adapter stays, its tty goes, and nothing else tells the user.
namespace UsbAdapters {

// The adapters plugged in whose interfaces have no tty and no driver but usbfs, or none, each as
// the fault that says so, naming brltty where it runs. Reads sysfs, and /proc when one is found.
std::vector<PortFault> portsTaken();

// The USB vendor and product of the device behind a tty, "2341:0043"; empty for any other.
std::string usbIdOf(const std::string& device);

}  // namespace UsbAdapters
