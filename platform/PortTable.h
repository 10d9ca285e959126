// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Maps the panel's port numbers to devices. On Linux:
//    1–32   /dev/ttyS0–31      (built-in UARTs)
//   33–64   /dev/ttyUSB0–31    (USB serial adapters)
//   65–96   /dev/ttyACM0–31    (USB modems, boards with native USB)
//   97–128  /dev/ttyAMA0–31    (ARM board UARTs)
// 1000–1999 /dev/pts/0–999     (pseudo-terminals: virtual serial lines)
// On Windows the number N is the port COMN. Any other number names no port.
namespace PortTable {

std::optional<std::string> devicePath(std::int16_t number);

// The directory the Linux names above stand in, "/dev" unless a test puts its own nodes elsewhere.
void setDeviceRoot(std::string root);

// The number that names the given pseudo-terminal, as a user would type it.
std::optional<std::int16_t> numberOfPseudoTerminal(const std::string& path);

}  // namespace PortTable
