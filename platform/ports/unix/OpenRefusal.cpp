// SPDX-License-Identifier: MIT
#include "OpenRefusal.h"

#include "PortHolderLinux.h"
#include "SystemHolds.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

namespace OpenRefusal {
namespace {

// The group whose members may read and write the device (dialout on Debian), none when its group
// may not, or is root's: then joining it is no cure.
std::string groupThatMayUse(const std::string& device)
{
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0 || (node.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)
        || node.st_gid == 0)
        return {};
    const group* owner = ::getgrgid(node.st_gid);
    return owner != nullptr ? owner->gr_name : std::string();
}

}  // namespace

PortFault faultOf(Code code, std::int16_t number, const std::string& device)
{
    PortFault fault = PortFault::of(PortFault::Kind::System, number, device);
    switch (code) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:  // a node left behind by a device that went
    case ENXIO:   // a port with no UART behind it
        fault.kind = PortFault::Kind::NoDevice;
        break;
    case EIO:  // a device going away, or a virtual line whose far end closed
        fault.kind = PortFault::Kind::NotConnected;
        break;
    case EACCES:
    case EPERM:
        fault.kind = PortFault::Kind::NoPermission;
        fault.group = groupThatMayUse(device);
        break;
    case EBUSY: {
        // Another program has it in exclusive use; look into who, where this user may.
        fault.kind = PortFault::Kind::InUse;
        const auto users = PortHolder::usersOf(device);
        fault.holder = users.writer ? users.writer : users.reader;
        break;
    }
    case ENOTTY:
        fault.kind = PortFault::Kind::NotSerial;
        break;
    default:
        fault.systemWords = systemWords(code);
    }
    return SystemHolds::explained(std::move(fault));
}

std::string systemWords(Code code) { return std::strerror(static_cast<int>(code)); }

}  // namespace OpenRefusal
