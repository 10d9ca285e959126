// SPDX-License-Identifier: MIT
#include "PortHolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/types.h>
#include <unistd.h>

namespace PortHolder {
namespace {

// Process directories under /proc.
QStringList processes(bool withThisOne)
{
    const QString self = QString::number(::getpid());
    QStringList pids;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        entry.toInt(&number);
        if (number && (withThisOne || entry != self))
            pids << entry;
    }
    return pids;
}

std::string programName(const QString& pid)
{
    QFile comm("/proc/" + pid + "/comm");
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed().toStdString();
}

// A device as the kernel names it in /proc/PID/fd: the path with every link resolved.
QString canonical(const std::string& device)
{
    const QString resolved = QFileInfo(QString::fromStdString(device)).canonicalFilePath();
    return resolved.isEmpty() ? QString::fromStdString(device) : resolved;
}

}  // namespace

std::map<std::string, Holder> holdersOf(const std::vector<std::string>& devices)
{
    std::map<QString, std::string> wanted;  // canonical path -> the name asked for
    for (const std::string& device : devices)
        wanted.emplace(canonical(device), device);
    std::map<std::string, Holder> found;
    if (wanted.empty())
        return found;
    for (const QString& pid : processes(false)) {
        // Another user's processes cannot be looked into: the listing is empty for them.
        const QDir fds("/proc/" + pid + "/fd");
        for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            const auto match = wanted.find(QFile::symLinkTarget(fds.filePath(fd)));
            if (match == wanted.end() || found.count(match->second) != 0)
                continue;
            found.emplace(match->second, Holder{pid.toInt(), programName(pid)});
        }
        if (found.size() == wanted.size())
            break;
    }
    return found;
}

std::optional<Holder> holderOf(const std::string& device)
{
    const auto found = holdersOf({device});
    if (found.empty())
        return std::nullopt;
    return found.begin()->second;
}

std::set<std::pair<unsigned, unsigned>> controllingTerminals()
{
    std::set<std::pair<unsigned, unsigned>> terminals;
    // This process counts too: the terminal it was started from is a session as well.
    for (const QString& pid : processes(true)) {
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid pgrp session tty_nr ...": comm may hold blanks and parentheses,
        // so the fields are counted from the last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 5)
            continue;
        const unsigned long tty = fields[4].toULong();
        if (tty == 0)
            continue;
        // The kernel's encoding of a device number: minor in bits 0-7 and 20-31, major in 8-19.
        const unsigned major = (tty >> 8) & 0xfff;
        const unsigned minor = (tty & 0xff) | ((tty >> 12) & 0xfff00);
        terminals.emplace(major, minor);
    }
    return terminals;
}

}  // namespace PortHolder
