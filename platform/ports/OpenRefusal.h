// SPDX-License-Identifier: MIT
#pragma once

#include "PortFault.h"

#include <cstdint>
#include <string>

// What a system's error code means for a port: each system maps its own codes (errno on Linux,
// Win32 errors on Windows) to a fault here, once, keeping its own words where no kind says more.
namespace OpenRefusal {

using Code = unsigned long;

// The fault of port `number` at `device` that the system answered with `code`.
PortFault faultOf(Code code, std::int16_t number, const std::string& device);

// The system's own words for `code`, without a closing full stop.
std::string systemWords(Code code);

}  // namespace OpenRefusal
