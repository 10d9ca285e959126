// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// One serial port as the system offers it: opened by the panel's port number with the line
// settings given, written to without ever blocking, and asked what it still holds. Pacing is
// MSComm's. On Linux a tty through termios; on Windows a COM port through the Win32
// communications API, with overlapped writes.
class SerialLine {
public:
    SerialLine();
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    bool isOpen() const;
    // Opens port `number` for this program's writing alone, at `baud` 8N1 with no flow control;
    // nothing is ever read from it. What the system still held for the line is stale and is
    // dropped. Throws PortFailure.
    void open(std::int16_t number, int baud);
    // Closes the port, with the settings it had before.
    void close();
    // Drops what the system still holds for the line, so that a close that follows need not
    // wait for it to leave.
    void discard();
    // Bytes the system took, 0 when it refuses for now, -1 when the line is gone.
    long write(const char* data, std::size_t size);
    // What the system itself reports as still to go out, 0 when it does not tell.
    std::size_t queued() const;
    // The device of the port opened last: "/dev/ttyUSB0", "COM5".
    const std::string& device() const { return device_; }

private:
    // The system's handle on the port.
    class Port;
    std::unique_ptr<Port> port_;
    std::string device_;
};
