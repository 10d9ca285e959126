// SPDX-License-Identifier: MIT
#include "PortProblem.h"

#include "PortHolder.h"
#include "PortOffer.h"
#include "PortScan.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PortProblem {
namespace {

std::string noDevice(std::int16_t number, const std::string& device)
{
    return "No device " + device + " for port " + std::to_string(number) + ". "
        + PortOffer::presentNow(PortScan::present());
}

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

std::string noSuchNumber(std::int16_t number)
{
    return "Port " + std::to_string(number) + " names no device. " + PortOffer::presentNow(PortScan::present());
}

std::string unusableNode(std::int16_t number, const std::string& device)
{
    struct stat node {};
    if (::stat(device.c_str(), &node) == 0)
        return device + " is not a serial device.";
    if (errno == ENOENT || errno == ENOTDIR)
        return noDevice(number, device);
    if (errno == EACCES)
        return permissionDenied(device);
    return device + ": " + std::strerror(errno) + ".";
}

std::string refused(std::int16_t number, const std::string& device, QSerialPort::SerialPortError error,
                    const QString& errorString)
{
    if (!writable(device))
        return permissionDenied(device);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return noDevice(number, device);
    case QSerialPort::PermissionError: {
        // Writable, yet refused: another program holds it (a lock file or exclusive use).
        const auto users = PortHolder::usersOf(device);
        return inUse(device, users.writer ? users.writer : users.reader);
    }
    case QSerialPort::UnsupportedOperationError:
        return device + " is not a serial device.";
    default:
        return device + ": " + errorString.toStdString() + ".";
    }
}

std::string inUse(const std::string& device, const std::optional<PortHolder::Holder>& holder)
{
    if (!holder)
        return device + " is in use by another program.";
    return device + " is in use by " + PortHolder::named(*holder) + ".";
}

std::string lost(const std::string& device) { return device + " was lost (unplugged?)."; }

std::string stuck(const std::string& device, std::chrono::seconds bound)
{
    return device + " took nothing for " + std::to_string(bound.count()) + " s.";
}

std::string notOpen() { return "No port is open: Run or Com opens one."; }

}  // namespace PortProblem
