// SPDX-License-Identifier: MIT
#pragma once

#include "PortTableLinux.h"

#include <QDir>
#include <QTemporaryDir>

#include <string>
#include <vector>

inline const std::vector<std::string> OneWrongPort{"Error: Wrong COM port"};

// The port table's names stand under a directory of the test's own while this lives.
struct DeviceRoot {
    QTemporaryDir dir;
    DeviceRoot()
    {
        QDir(dir.path()).mkdir("pts");
        PortTable::setDeviceRoot(dir.path().toStdString());
    }
    ~DeviceRoot() { PortTable::setDeviceRoot("/dev"); }
    QString node(std::int16_t number) const { return QString::fromStdString(*PortTable::devicePath(number)); }
};
