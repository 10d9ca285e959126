// SPDX-License-Identifier: MIT
#include "SystemHolds.h"

#include "LoginGroups.h"
#include "PortHolderLinux.h"
#include "UsbAdapters.h"

#include <utility>

namespace SystemHolds {
namespace {

// A number where a USB adapter's tty would be (33 on: ttyUSB, ttyACM).
bool usbPort(const std::string& device)
{
    const std::string name = device.substr(device.rfind('/') + 1);
    return name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

}  // namespace

PortFault explained(PortFault fault)
{
    using Kind = PortFault::Kind;
    switch (fault.kind) {
    case Kind::NoDevice:
        if (usbPort(fault.device)) {
            auto taken = UsbAdapters::portsTaken();
            if (!taken.empty()) {
                PortFault cause = std::move(taken.front());
                cause.number = fault.number;
                cause.device = std::move(fault.device);
                return cause;
            }
        }
        break;
    case Kind::InUse:
        // ModemManager runs as root: its descriptors cannot be looked into, only that it runs.
        if (!fault.holder)
            if (auto prober = PortHolder::running("ModemManager")) {
                fault.kind = Kind::MaybeProbed;
                fault.holder = std::move(prober);
                fault.usbId = UsbAdapters::usbIdOf(fault.device);
            }
        break;
    case Kind::NoPermission:
        // A console's getty keeps its tty root's, writable by the tty group alone.
        if (auto console = PortHolder::sessionOn(fault.device)) {
            fault.kind = Kind::LoginConsole;
            fault.holder = std::move(console);
        } else if (!fault.group.empty() && LoginGroups::joinedButNotInLogin(fault.group)) {
            fault.kind = Kind::NotInLogin;
        }
        break;
    default:
        break;
    }
    return fault;
}

}  // namespace SystemHolds
