// SPDX-License-Identifier: MIT
#include "PortProblem.h"

#include "PortHolder.h"
#include "PortOffer.h"
#include "PortScan.h"

#include <QCoreApplication>
#include <QString>

namespace PortProblem {
namespace {

QString text(const char* english) { return QCoreApplication::translate("PortProblem", english); }

QString words(const std::string& utf8) { return QString::fromStdString(utf8); }

QString presentNow() { return words(PortOffer::presentNow(PortScan::present())); }

QString sentence(const PortFault& fault)
{
    using Kind = PortFault::Kind;
    const QString device = words(fault.device);
    const QString number = QString::number(fault.number);
    switch (fault.kind) {
    case Kind::NoSuchNumber:
        return text("Port %1 names no device. %2").arg(number, presentNow());
    case Kind::NoDevice:
        return text("No device %1 for port %2. %3").arg(device, number, presentNow());
    case Kind::Absent:
        return text("There is no %1 on this computer. %2").arg(device, presentNow());
    case Kind::NoPermission:
        // Serial devices belong to a group (dialout on Debian): joining it is the usual cure.
        if (fault.group.empty())
            return text("%1: permission denied.").arg(device);
        return text("%1: permission denied. Join the %2 group: sudo usermod -aG %2 $USER, then log in again.")
            .arg(device, words(fault.group));
    case Kind::InUse:
        if (!fault.holder)
            return text("%1 is in use by another program.").arg(device);
        if (fault.holder->program.empty())  // its name hidden from this user
            return text("%1 is in use by the program with pid %2.").arg(device, QString::number(fault.holder->pid));
        return text("%1 is in use by %2.").arg(device, words(PortHolder::named(*fault.holder)));
    case Kind::InUseOrDenied:
        return text("%1 is in use by another program, or Windows denies access to it.").arg(device);
    case Kind::NotSerial:
        if (fault.systemWords.empty())
            return text("%1 is not a serial device.").arg(device);
        return text("%1 is not a serial port (%2).").arg(device, words(fault.systemWords));
    case Kind::NotConnected:
        return text("%1 is not connected: no device answers behind it (unplugged?).").arg(device);
    case Kind::Lost:
        return text("%1 was lost (unplugged?).").arg(device);
    case Kind::Stuck:
        return text("%1 took nothing for %2 s.").arg(device, QString::number(fault.bound.count()));
    case Kind::NotOpen:
        return text("No port is open: Run or Com opens one.");
    case Kind::System:
        break;
    case Kind::SettingsNotTaken:
        return text("%1 did not take 9600 baud, 8N1, no flow control: its driver set the line otherwise.")
            .arg(device);
    }
    return text("%1: %2.").arg(device, words(fault.systemWords));
}

}  // namespace

std::string line(const PortFault& fault) { return sentence(fault).toStdString(); }

PortFailure failure(PortFault fault)
{
    std::string words = line(fault);
    return PortFailure(std::move(fault), words);
}

}  // namespace PortProblem
