// SPDX-License-Identifier: MIT
#include "PortScan.h"

#include "PortTable.h"

#include <QDir>
#include <QSerialPortInfo>

#include <cerrno>
#include <set>
#include <utility>

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

bool isPseudoTerminal(const struct stat& node)
{
    const unsigned major = ::major(node.st_rdev);
    return S_ISCHR(node.st_mode) && major >= FirstPtyMajor && major <= LastPtyMajor;
}

bool isSession(const std::string& path, const std::set<std::pair<unsigned, unsigned>>& sessions)
{
    struct stat node {};
    return ::stat(path.c_str(), &node) == 0 && sessions.count({::major(node.st_rdev), ::minor(node.st_rdev)}) != 0;
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
        if (::stat(path.c_str(), &node) != 0 || !isPseudoTerminal(node)
            || sessions.count({::major(node.st_rdev), ::minor(node.st_rdev)}) != 0)
            continue;
        PortRecord record;
        record.device = path;
        record.virtualLine = true;
        records.push_back(record);
    }
    return records;
}

bool mayNotWrite(const std::string& device)
{
    return ::faccessat(AT_FDCWD, device.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

}  // namespace

std::vector<PortRecord> devices()
{
    std::vector<PortRecord> records = realDevices();
    for (PortRecord& line : virtualLines())
        records.push_back(std::move(line));
    for (PortRecord& record : records)
        record.noPermission = mayNotWrite(record.device);
    return records;
}

void lookIntoUse(std::vector<PortRecord>& records)
{
    const auto sessions = PortHolder::controllingTerminals();
    std::erase_if(records, [&](const PortRecord& record) {
        return record.virtualLine && isSession(record.device, sessions);
    });
    std::vector<std::string> devices;
    for (PortRecord& record : records) {
        record.noPermission = mayNotWrite(record.device);
        devices.push_back(record.device);
    }
    const auto users = PortHolder::usersOf(devices);
    for (PortRecord& record : records) {
        const auto found = users.find(record.device);
        record.users = found != users.end() ? found->second : PortHolder::Users{};
    }
}

std::vector<PortRecord> present()
{
    std::vector<PortRecord> records = devices();
    lookIntoUse(records);
    return records;
}

}  // namespace PortScan
