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

// The holder found, or the program this kind of fault is about where none was.
QString holderOr(const PortFault& fault, const char* program)
{
    return fault.holder ? words(PortHolder::named(*fault.holder)) : QString::fromLatin1(program);
}

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
    case Kind::AdapterTaken:
        // brltty claims the chips of cheap adapters for braille displays: removing it is the cure
        // where nobody uses one. The panel only says so.
        if (fault.holder)
            return text("The %1 adapter %2 has no port: %3, the braille display service, took it. Unless a braille "
                        "display is used: sudo apt remove brltty, then plug the adapter in again.")
                .arg(words(fault.chip), words(fault.usbId), words(PortHolder::named(*fault.holder)));
        return text("The %1 adapter %2 has no port: something took it from its driver, most often brltty, the "
                    "braille display service. Unless a braille display is used: sudo apt remove brltty, then plug "
                    "the adapter in again.")
            .arg(words(fault.chip), words(fault.usbId));
    case Kind::MaybeProbed:
        if (fault.usbId.empty())
            return text("%1 is in use by another program: %2 may be probing it, and lets go within half a minute; "
                        "try again then. To keep ModemManager off the device, give it ID_MM_DEVICE_IGNORE in a "
                        "udev rule.")
                .arg(device, holderOr(fault, "ModemManager"));
        return text("%1 is in use by another program: %2 may be probing it, and lets go within half a minute; "
                    "try again then. To keep ModemManager off the device, give %3 ID_MM_DEVICE_IGNORE in a udev "
                    "rule.")
            .arg(device, holderOr(fault, "ModemManager"), words(fault.usbId));
    case Kind::NotInLogin:
        return text("%1: permission denied. You are in the %2 group, but this login began before you joined it: "
                    "log out and in again, or restart the computer.")
            .arg(device, words(fault.group));
    case Kind::LoginConsole:
        return text("%1 carries a login console, %2: switch it off, on a Raspberry Pi in raspi-config (Interface "
                    "Options, Serial Port: no login shell), elsewhere with sudo systemctl mask --now "
                    "serial-getty@%3.")
            .arg(device, holderOr(fault, "getty"), words(fault.device.substr(fault.device.rfind('/') + 1)));
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
