// SPDX-License-Identifier: MIT
#include "PortScan.h"

#include "PortHolderLinux.h"

#include "BoardUarts.h"
#include "PortTableLinux.h"
#include "UsbAdapters.h"

#include <QDir>
#include <QSerialPortInfo>

#include <cerrno>
#include <optional>
#include <set>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace PortScan {
namespace {

using Sessions = std::set<std::pair<unsigned, unsigned>>;

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
    BoardUarts::describe(records);
    return records;
}

// A pseudo-terminal slave's device number; none for anything else.
std::optional<std::pair<unsigned, unsigned>> pseudoTerminal(const std::string& path)
{
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)
        || !PortTable::pseudoTerminalIndex(::major(node.st_rdev), ::minor(node.st_rdev)))
        return std::nullopt;
    return std::pair(::major(node.st_rdev), ::minor(node.st_rdev));
}

bool isSession(const std::string& path, const Sessions& sessions)
{
    const auto device = pseudoTerminal(path);
    return device && sessions.count(*device) != 0;
}

// QSerialPortInfo lists only devices udev or sysfs know as serial ports, and pseudo-terminals
// are neither, so virtual lines are found in the pts directory itself. One that is some
// process's controlling terminal is a terminal session, where a stream of frames has no place.
std::vector<PortRecord> virtualLines(const Sessions& sessions)
{
    std::vector<PortRecord> records;
    const QDir pts(QString::fromStdString(PortTable::deviceRoot() + "/pts"));
    for (const QString& name : pts.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        PortRecord record;
        record.device = pts.filePath(name).toStdString();
        record.virtualLine = true;
        if (const auto device = pseudoTerminal(record.device); device && sessions.count(*device) == 0)
            records.push_back(record);
    }
    return records;
}

bool mayNotWrite(const std::string& device)
{
    return ::faccessat(AT_FDCWD, device.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

std::vector<PortRecord> devicesBeside(const Sessions& sessions)
{
    std::vector<PortRecord> records = realDevices();
    for (PortRecord& line : virtualLines(sessions))
        records.push_back(std::move(line));
    for (PortFault& fault : UsbAdapters::portsTaken()) {
        PortRecord adapter;
        adapter.description = fault.chip;
        adapter.portTaken = std::move(fault);
        records.push_back(std::move(adapter));
    }
    return records;
}

void lookIntoUse(std::vector<PortRecord>& records, const Sessions& sessions)
{
    std::erase_if(records, [&](const PortRecord& record) {
        return record.virtualLine && isSession(record.device, sessions);
    });
    std::vector<std::string> devices;
    for (PortRecord& record : records) {
        if (record.portTaken)
            continue;  // no device to look into
        record.noPermission = mayNotWrite(record.device);
        devices.push_back(record.device);
    }
    const auto users = PortHolder::usersOf(devices);
    for (PortRecord& record : records) {
        const auto found = users.find(record.device);
        record.users = found != users.end() ? found->second : PortHolder::Users{};
    }
}

}  // namespace

std::vector<PortRecord> devices() { return devicesBeside(PortHolder::controllingTerminals()); }

void lookIntoUse(std::vector<PortRecord>& records) { lookIntoUse(records, PortHolder::controllingTerminals()); }

// One reading of the terminal sessions serves both halves.
std::vector<PortRecord> present()
{
    const Sessions sessions = PortHolder::controllingTerminals();
    std::vector<PortRecord> records = devicesBeside(sessions);
    lookIntoUse(records, sessions);
    return records;
}

}  // namespace PortScan
