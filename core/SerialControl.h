// SPDX-License-Identifier: MIT
#pragma once

#include "PortFault.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The serial-port control, driven through its properties. The setters and Output throw
// PortFailure.
class SerialControl {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~SerialControl() = default;

    virtual bool PortOpen() const = 0;
    // true opens port CommPort with the fixed line settings; false closes it.
    virtual void setPortOpen(bool open) = 0;
    // Selects the port for the next open; 1 is the first port.
    virtual void setCommPort(std::int16_t number) = 0;
    // Sends the text byte for byte, with nothing added.
    virtual void Output(std::string_view text) = 0;
    // When the control wants the next bytes: as late as it can take them with the line still busy,
    // so that they are built from the newest state. A time not after now when it wants them
    // already, or when the port can take nothing (Output then says why).
    virtual Clock::time_point nextWriteTime() const = 0;
};
