// SPDX-License-Identifier: MIT
#include "BoardUarts.h"

#include "PortTableLinux.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>
#include <utility>

namespace BoardUarts {
namespace {

// The device tree node of the device behind a tty, as sysfs shows it.
QString nodeOf(const std::string& device)
{
    return QString::fromStdString(PortTable::sysfsRoot() + "/class/tty/") + QFileInfo(QString::fromStdString(device)).fileName()
        + "/device/of_node";
}

// The node's compatible strings, the most specific first.
QStringList compatibleOf(const QString& node)
{
    QFile file(node + "/compatible");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(QChar(0), Qt::SkipEmptyParts);
}

// What kind of UART the compatible strings name: ARM's PL011 (the Pi's full UART), Broadcom's
// auxiliary mini UART, or in the device tree's own words.
std::string kindOf(const QStringList& compatible)
{
    for (const QString& name : compatible) {
        if (name.startsWith("arm,pl011"))
            return "PL011 UART";
        if (name.endsWith("-aux-uart"))
            return "mini UART";
    }
    return "UART (" + compatible.front().toStdString() + ")";
}

// The serialN links in /dev, by the device each names.
std::map<std::string, std::vector<std::string>> serialLinks()
{
    std::map<std::string, std::vector<std::string>> links;
    const QDir dev(QString::fromStdString(PortTable::deviceRoot()));
    static const QRegularExpression serialN("^serial[0-9]+$");
    for (const QFileInfo& link : dev.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!link.isSymLink() || !serialN.match(link.fileName()).hasMatch())
            continue;
        const QString target = QFileInfo(dev.absoluteFilePath(link.symLinkTarget())).absoluteFilePath();
        links[target.toStdString()].push_back(link.absoluteFilePath().toStdString());
    }
    return links;
}

std::string withLinks(std::string text, const std::vector<std::string>& links)
{
    for (std::size_t i = 0; i < links.size(); ++i) {
        text += (i == 0 ? " as " : " and ") + links[i];
        if (links[i].ends_with("/serial0"))
            text += " (GPIO header)";
    }
    return text;
}

}  // namespace

void describe(std::vector<PortRecord>& records)
{
    std::map<std::string, std::vector<std::string>> links;
    bool linksRead = false;
    for (PortRecord& record : records) {
        if (record.virtualLine)
            continue;
        const QString node = nodeOf(record.device);
        const QStringList compatible = compatibleOf(node);
        if (compatible.isEmpty())
            continue;  // no device tree behind it: a PC's port, a USB adapter
        if (!linksRead) {
            links = serialLinks();
            linksRead = true;
        }
        std::string text = withLinks(kindOf(compatible), links[record.device]);
        if (QFileInfo::exists(node + "/bluetooth"))
            text += ", for Bluetooth";
        record.description = record.description.empty() ? text : record.description + ", " + text;
    }
}

}  // namespace BoardUarts
