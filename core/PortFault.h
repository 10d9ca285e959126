// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

// What went wrong with a port, as a kind, with what is known of it. Each system maps its own
// error codes to a kind once; one place turns a fault into words for the user.
struct PortFault {
    enum class Kind {
        NoSuchNumber,   // the port table has no device for the number
        NoDevice,       // the table's device for the number is not there
        Absent,         // the system has no port of that name (Windows)
        NoPermission,   // this user may not open it
        InUse,          // another program has it
        InUseOrDenied,  // either; the system does not say which (Windows)
        NotSerial,      // it is there, but not a serial port
        NotConnected,   // the port is there, no device answers behind it
        Lost,           // the line went away while open
        Stuck,          // the line took nothing for `bound`
        NotOpen,        // output with no port open
        System,         // anything else: the system's own words tell
        AdapterTaken,   // a USB serial adapter is plugged in, but something took its port away
        MaybeProbed,    // in use by a holder that cannot be seen, while a modem prober runs
        NotInLogin,     // the user joined the device's group, but this login predates it
        LoginConsole,   // the device carries a login console, which keeps the user out
        SettingsNotTaken,  // the driver did not set the line to 9600 8N1, raw
    };

    // A program holding a device: its process and its name as the kernel gives it.
    struct Holder {
        int pid = 0;
        std::string program;
    };

    static PortFault of(Kind kind, std::int16_t number = 0, std::string device = {})
    {
        PortFault fault;
        fault.kind = kind;
        fault.number = number;
        fault.device = std::move(device);
        return fault;
    }

    Kind kind = Kind::System;
    std::int16_t number = 0;
    std::string device;            // "/dev/ttyUSB0", "COM5"
    // InUse, where it could be looked into; AdapterTaken: the program that took the adapter, where
    // one is seen; MaybeProbed: the prober; LoginConsole: the console's program.
    std::optional<Holder> holder;
    std::string group;             // NoPermission, NotInLogin: the group whose members may use the device
    std::string systemWords;       // the system's own words, where they say more than the kind
    std::chrono::seconds bound{0};  // Stuck
    // AdapterTaken: the adapter's chip ("CH340"); AdapterTaken, MaybeProbed: its USB vendor and
    // product, "1a86:7523", where known.
    std::string chip;
    std::string usbId;
};

// A port that cannot be selected, opened or written to: the fault, and what() its line for the
// user.
class PortFailure : public std::runtime_error {
public:
    PortFailure(PortFault fault, const std::string& line) : std::runtime_error(line), fault_(std::move(fault)) {}
    const PortFault& fault() const { return fault_; }

private:
    PortFault fault_;
};
