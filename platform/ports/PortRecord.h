// SPDX-License-Identifier: MIT
#pragma once

#include "PortHolder.h"

#include <cstdint>
#include <optional>
#include <string>

// One serial port present on the machine, as detection found it.
struct PortRecord {
    std::string device;        // "/dev/ttyUSB0"
    std::string description;   // "FT232R USB UART"
    std::string manufacturer;  // "FTDI"
    std::string serialNumber;  // "A50285BI"
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
    // A pseudo-terminal that is nobody's terminal session, such as the virtual controller's.
    bool virtualLine = false;
    // This user may not open it for writing.
    bool noPermission = false;
    // Other programs that have it open: a writer keeps the panel out, a reader does not.
    PortHolder::Users users;
    // A USB serial adapter plugged in without a port (no device then): why, as a fault.
    std::optional<PortFault> portTaken;
};
