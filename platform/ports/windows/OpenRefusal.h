// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// Why a COM port could not be opened or set up, in the user's terms, from the error Windows gave.
namespace OpenRefusal {

// CreateFile refused the port `name` ("COM5") with `error`.
std::string refused(std::int16_t number, const std::string& name, unsigned long error);
// The port opened but would not take the line settings.
std::string notSerial(const std::string& name, unsigned long error);

}  // namespace OpenRefusal
