// SPDX-License-Identifier: MIT
#include "OpenRefusal.h"

#include "PortHolder.h"
#include "PortProblem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace OpenRefusal {
namespace {

// Serial devices belong to a group (dialout on Debian): joining it is the usual cure. A node its
// group may not write either has no such cure, so none is offered.
std::string permissionDenied(const std::string& device)
{
    std::string line = device + ": permission denied.";
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0 || (node.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return line;
    const group* owner = ::getgrgid(node.st_gid);
    if (owner == nullptr || node.st_gid == 0)
        return line;
    const std::string name = owner->gr_name;
    return line + " Join the " + name + " group: sudo usermod -aG " + name + " $USER, then log in again.";
}

bool writable(const std::string& device)
{
    return ::faccessat(AT_FDCWD, device.c_str(), W_OK, AT_EACCESS) == 0 || errno != EACCES;
}

}  // namespace

std::string unusableNode(std::int16_t number, const std::string& device)
{
    struct stat node {};
    if (::stat(device.c_str(), &node) == 0)
        return device + " is not a serial device.";
    if (errno == ENOENT || errno == ENOTDIR)
        return PortProblem::noDevice(number, device);
    if (errno == EACCES)
        return permissionDenied(device);
    return PortProblem::systemError(device, std::strerror(errno));
}

std::string refused(std::int16_t number, const std::string& device, QSerialPort::SerialPortError error,
                    const QString& errorString)
{
    if (!writable(device))
        return permissionDenied(device);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortProblem::noDevice(number, device);
    case QSerialPort::PermissionError: {
        // Writable, yet refused: another program holds it (a lock file or exclusive use).
        const auto users = PortHolder::usersOf(device);
        return PortProblem::inUse(device, users.writer ? users.writer : users.reader);
    }
    case QSerialPort::UnsupportedOperationError:
        return device + " is not a serial device.";
    default:
        return PortProblem::systemError(device, errorString.toStdString());
    }
}

}  // namespace OpenRefusal
