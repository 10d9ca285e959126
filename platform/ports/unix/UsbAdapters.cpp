// SPDX-License-Identifier: MIT
#include "UsbAdapters.h"

#include "PortHolderLinux.h"
#include "PortTableLinux.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <cstdint>

namespace UsbAdapters {
namespace {

struct Chip {
    std::uint16_t vendor;
    std::uint16_t product;
    const char* name;
};

// The serial chips of cheap adapters and boards, by the ids their makers give them.
constexpr std::array<Chip, 16> Chips{{
    {0x1a86, 0x7523, "CH340"},
    {0x1a86, 0x7522, "CH340"},
    {0x1a86, 0x5523, "CH341"},
    {0x1a86, 0x55d4, "CH9102"},
    {0x10c4, 0xea60, "CP210x"},
    {0x10c4, 0xea70, "CP2105"},
    {0x10c4, 0xea71, "CP2108"},
    {0x0403, 0x6001, "FT232R"},
    {0x0403, 0x6010, "FT2232"},
    {0x0403, 0x6011, "FT4232"},
    {0x0403, 0x6014, "FT232H"},
    {0x0403, 0x6015, "FT-X"},
    {0x067b, 0x2303, "PL2303"},
    {0x067b, 0x23a3, "PL2303"},
    {0x067b, 0x23c3, "PL2303"},
    {0x067b, 0x23d3, "PL2303"},
}};

QString firstLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readLine()).trimmed();
}

// "1a86:7523" from a USB device's directory; empty for anything else (an interface, a hub's port).
QString idsIn(const QString& dir)
{
    const QString vendor = firstLine(dir + "/idVendor"), product = firstLine(dir + "/idProduct");
    return vendor.isEmpty() || product.isEmpty() ? QString() : vendor + ":" + product;
}

const Chip* chipOf(const QString& ids)
{
    for (const Chip& chip : Chips)
        if (ids == QString::asprintf("%04x:%04x", chip.vendor, chip.product))
            return &chip;
    return nullptr;
}

// No interface of the device has a tty (usb-serial's ttyUSBn, cdc-acm's tty/ttyACMn) or a driver
// other than usbfs, through which a program claims it: the port was taken away.
bool portTaken(const QDir& device)
{
    bool interfaces = false;
    for (const QString& name : device.entryList({device.dirName() + ":*"}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir interface(device.filePath(name));
        if (!interface.entryList({"tty*"}, QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
            return false;
        const QFileInfo driver(interface.filePath("driver"));
        if (driver.isSymLink() && QFileInfo(driver.symLinkTarget()).fileName() != "usbfs")
            return false;
        interfaces = true;
    }
    return interfaces;
}

}  // namespace

std::vector<PortFault> portsTaken()
{
    std::vector<PortFault> taken;
    const QDir devices(QString::fromStdString(PortTable::sysfsRoot() + "/bus/usb/devices"));
    for (const QString& name : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (name.contains(':'))
            continue;  // an interface
        const QDir device(devices.filePath(name));
        const QString ids = idsIn(device.path());
        const Chip* chip = chipOf(ids);
        if (chip == nullptr || !portTaken(device))
            continue;
        PortFault fault = PortFault::of(PortFault::Kind::AdapterTaken);
        fault.chip = chip->name;
        fault.usbId = ids.toStdString();
        taken.push_back(fault);
    }
    if (!taken.empty())
        if (const auto brltty = PortHolder::running("brltty"))
            for (PortFault& fault : taken)
                fault.holder = brltty;
    return taken;
}

// A tty's device is the USB interface (cdc-acm) or a port beneath it (usb-serial): the USB device
// is a level or two above.
std::string usbIdOf(const std::string& device)
{
    const QString tty = QFileInfo(QString::fromStdString(device)).fileName();
    const QString path =
        QFileInfo(QString::fromStdString(PortTable::sysfsRoot()) + "/class/tty/" + tty + "/device").canonicalFilePath();
    if (path.isEmpty())
        return {};
    QDir dir(path);
    for (int up = 0; up < 3; ++up) {
        if (const QString ids = idsIn(dir.path()); !ids.isEmpty())
            return ids.toStdString();
        if (!dir.cdUp())
            break;
    }
    return {};
}

}  // namespace UsbAdapters
