// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Maps the panel's port numbers to the system's ports, one table per system (its .cpp tells it).
// Any number outside the table names no port.
namespace PortTable {

// The port's device, "/dev/ttyUSB0" or "COM5".
std::optional<std::string> devicePath(std::int16_t number);

// The number that names the device `path`, if the table has one.
std::optional<std::int16_t> numberOf(const std::string& path);

// What kind of port a number names, in a few words ("USB serial adapter").
std::string kindOf(std::int16_t number);

}  // namespace PortTable
