// SPDX-License-Identifier: MIT
#pragma once

#include "PortTableLinux.h"
#include "UucpLock.h"

#include <QDir>
#include <QTemporaryDir>

#include <string>
#include <vector>

inline const std::vector<std::string> OneWrongPort{"Error: Wrong COM port"};

// The port table's names stand under a directory of the test's own while this lives, and so do
// the lock files of the devices they name, in lock/.
struct DeviceRoot {
    QTemporaryDir dir;
    DeviceRoot()
    {
        QDir(dir.path()).mkdir("pts");
        QDir(dir.path()).mkdir("lock");
        PortTable::setDeviceRoot(dir.path().toStdString());
        UucpLock::setDirectory(dir.path().toStdString() + "/lock");
    }
    ~DeviceRoot()
    {
        PortTable::setDeviceRoot("/dev");
        UucpLock::setDirectory("/run/lock");
    }
    QString node(std::int16_t number) const { return QString::fromStdString(*PortTable::devicePath(number)); }
};
