// SPDX-License-Identifier: MIT
#pragma once

#include "PortHolder.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// One short line each for what went wrong with a port and what to do about it, shown beneath
// "Wrong COM port". What an open refused means is the system's own: OpenRefusal tells it.
namespace PortProblem {

// A number the port table has no device for.
std::string noSuchNumber(std::int16_t number);
// No device behind a number the table has; the ports present are named.
std::string noDevice(std::int16_t number, const std::string& device);
// Another program has the device open: `holder` when it could be looked into.
std::string inUse(const std::string& device, const std::optional<PortHolder::Holder>& holder);
// The line went away while it was open.
std::string lost(const std::string& device);
// The line took nothing for that long.
std::string stuck(const std::string& device, std::chrono::seconds bound);
// Output with no port open.
std::string notOpen();
// Anything else the system refused, in its own words (no closing full stop).
std::string systemError(const std::string& device, const std::string& words);

}  // namespace PortProblem
