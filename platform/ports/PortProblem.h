// SPDX-License-Identifier: MIT
#pragma once

#include "PortHolder.h"

#include <QSerialPort>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// One short line each for what went wrong with a port and what to do about it, shown beneath
// "Wrong COM port".
namespace PortProblem {

// A number the port table has no device for.
std::string noSuchNumber(std::int16_t number);
// A node that is missing, or is no character device.
std::string unusableNode(std::int16_t number, const std::string& device);
// An open that the system refused, looked into: permission, another program, no line at all.
std::string refused(std::int16_t number, const std::string& device, QSerialPort::SerialPortError error,
                    const QString& errorString);
// Another program has the device open: `holder` when it could be looked into.
std::string inUse(const std::string& device, const std::optional<PortHolder::Holder>& holder);
// The line went away while it was open.
std::string lost(const std::string& device);
// The line took nothing for that long.
std::string stuck(const std::string& device, std::chrono::seconds bound);
// Output with no port open.
std::string notOpen();

}  // namespace PortProblem
