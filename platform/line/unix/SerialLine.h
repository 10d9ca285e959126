// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class QSerialPort;

// One serial port as the OS offers it: opened by the panel's port number with the line settings
// given, written to without ever blocking, and asked what it still holds. Pacing is MSComm's.
class SerialLine {
public:
    SerialLine();
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    bool isOpen() const;
    // Opens port `number` for writing only and for exclusive use, at `baud` 8N1 with no flow
    // control. What the OS still held for the line is stale and is dropped. Throws PortFailure.
    void open(std::int16_t number, int baud);
    // Closes the port; the OS restores its settings.
    void close();
    // Bytes the OS took, 0 when it refuses for now, -1 when the line is gone.
    long write(const char* data, std::size_t size);
    // What the OS itself reports as waiting in its output queue, 0 when it does not tell.
    std::size_t queued() const;
    // The device of the port opened last.
    const std::string& device() const { return device_; }

private:
    std::unique_ptr<QSerialPort> port_;
    std::string device_;
};
