// SPDX-License-Identifier: MIT
#include "LoginGroups.h"

#include "PortTableLinux.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <pwd.h>
#include <unistd.h>

namespace LoginGroups {
namespace {

QStringList linesOf(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

// The groups this process has: its effective group and its supplementary ones.
QStringList groupsHad()
{
    QStringList had;
    for (const QString& line : linesOf(PortTable::procRoot() + "/self/status")) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.front() == "Gid:" && fields.size() > 2)
            had << fields[2];
        else if (fields.front() == "Groups:")
            had << fields.mid(1);
    }
    return had;
}

}  // namespace

bool joinedButNotInLogin(const std::string& group)
{
    const passwd* user = ::getpwuid(::getuid());
    if (user == nullptr)
        return false;
    // "name:password:gid:member,member"
    for (const QString& line : linesOf(PortTable::groupFile())) {
        const QStringList fields = line.split(':');
        if (fields.size() < 4 || fields[0] != QString::fromStdString(group))
            continue;
        if (!fields[3].split(',').contains(QString::fromLocal8Bit(user->pw_name)))
            return false;
        const QStringList had = groupsHad();
        return !had.isEmpty() && !had.contains(fields[2]);
    }
    return false;
}

}  // namespace LoginGroups
