// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Maps the panel's port numbers to Windows' COM ports: port n is COMn, for every n from 1 to 255
// (opened as \\.\COMn, which also reaches COM10 and above). Any other number names no port.
namespace PortTable {

// The port's name, "COM5".
std::optional<std::string> devicePath(std::int16_t number);

// The number that names the port called `name` ("COM5"), if the table has one.
std::optional<std::int16_t> numberOf(const std::string& name);

// What kind of port a number names, in a few words.
std::string kindOf(std::int16_t number);

}  // namespace PortTable
