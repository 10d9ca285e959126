// SPDX-License-Identifier: MIT
#include "PortScan.h"

#include "PortTable.h"

#include <QDir>
#include <QSerialPortInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace PortScan {
namespace {

// Unix98 pseudo-terminal slaves have these major numbers (ptmx, in the same directory, not).
constexpr unsigned FirstPtyMajor = 136;
constexpr unsigned LastPtyMajor = 143;

std::vector<PortRecord> realDevices()
{
    std::vector<PortRecord> records;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortRecord record;
        record.device = info.systemLocation().toStdString();
        record.description = info.description().toStdString();
        record.manufacturer = info.manufacturer().toStdString();
        record.serialNumber = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier())
            record.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            record.productId = info.productIdentifier();
        records.push_back(record);
    }
    return records;
}

// QSerialPortInfo lists only devices udev or sysfs know as serial ports, and pseudo-terminals
// are neither, so virtual lines are found in the pts directory itself. One that is some
// process's controlling terminal is a terminal session, where a stream of frames has no place.
std::vector<PortRecord> virtualLines()
{
    std::vector<PortRecord> records;
    const auto sessions = PortHolder::controllingTerminals();
    const QDir pts(QString::fromStdString(PortTable::deviceRoot() + "/pts"));
    for (const QString& name : pts.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const std::string path = pts.filePath(name).toStdString();
        struct stat node {};
        if (::stat(path.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
            continue;
        const unsigned major = ::major(node.st_rdev), minor = ::minor(node.st_rdev);
        if (major < FirstPtyMajor || major > LastPtyMajor || sessions.count({major, minor}) != 0)
            continue;
        PortRecord record;
        record.device = path;
        record.virtualLine = true;
        records.push_back(record);
    }
    return records;
}

}  // namespace

std::vector<PortRecord> present()
{
    std::vector<PortRecord> records = realDevices();
    for (PortRecord& line : virtualLines())
        records.push_back(std::move(line));
    std::vector<std::string> devices;
    for (PortRecord& record : records) {
        record.noPermission = ::faccessat(AT_FDCWD, record.device.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
        devices.push_back(record.device);
    }
    const auto holders = PortHolder::holdersOf(devices);
    for (PortRecord& record : records)
        if (const auto held = holders.find(record.device); held != holders.end())
            record.heldBy = held->second;
    return records;
}

}  // namespace PortScan
