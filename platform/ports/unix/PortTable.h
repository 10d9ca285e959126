// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Maps the panel's port numbers to devices:
//    1–32   /dev/ttyS0–31      (built-in UARTs)
//   33–64   /dev/ttyUSB0–31    (USB serial adapters)
//   65–96   /dev/ttyACM0–31    (USB modems, boards with native USB)
//   97–128  /dev/ttyAMA0–31    (ARM board UARTs)
//  129–160  /dev/rfcomm0–31    (Bluetooth serial lines)
// 1000–1999 /dev/pts/0–999     (pseudo-terminals: virtual serial lines)
// Any other number names no port.
namespace PortTable {

std::optional<std::string> devicePath(std::int16_t number);

// The number that names the device at `path`, if the table has one.
std::optional<std::int16_t> numberOf(const std::string& path);

// What kind of port a number names, in a few words ("USB serial adapter").
std::string kindOf(std::int16_t number);

// The directory the names above stand in, "/dev" unless a test puts its own nodes elsewhere.
void setDeviceRoot(std::string root);
const std::string& deviceRoot();

// The index of a Unix98 pseudo-terminal slave (majors 136-143, 256 minors each) from its device
// number; none for any other device.
std::optional<long> pseudoTerminalIndex(unsigned major, unsigned minor);

// The number that names the given pseudo-terminal, as a user would type it.
std::optional<std::int16_t> numberOfPseudoTerminal(const std::string& path);

}  // namespace PortTable
