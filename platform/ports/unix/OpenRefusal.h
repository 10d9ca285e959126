// SPDX-License-Identifier: MIT
#pragma once

#include <QSerialPort>

#include <cstdint>
#include <string>

// Why a port could not be opened, in the user's terms, looked into on this system: permission,
// another program, no device at all.
namespace OpenRefusal {

// A node that is missing, or is no character device.
std::string unusableNode(std::int16_t number, const std::string& device);
// An open that the system refused.
std::string refused(std::int16_t number, const std::string& device, QSerialPort::SerialPortError error,
                    const QString& errorString);

}  // namespace OpenRefusal
