// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <map>
#include <string>
#include <vector>

class QSocketNotifier;

// What the kernel tells of serial devices, through inotify, while watching: nodes that appear
// in, leave or change their permissions in the device directory and its pts directory, and
// opens and closes of the ports being offered. Nothing polls.
class DeviceEvents : public QObject {
    Q_OBJECT

public:
    explicit DeviceEvents(QObject* parent = nullptr);
    ~DeviceEvents() override;

    // Watching costs a wake-up only when something happens.
    void start();
    void stop();
    bool watching() const { return fd_ >= 0; }
    // Replaces the ports whose opens and closes are told.
    void watchPorts(const std::vector<std::string>& devices);

signals:
    // A serial device node appeared, went, or changed who may open it; or events were lost.
    void devicesChanged();
    // A program opened or closed one of the ports watched.
    void portsUsed();

private:
    void readEvents();
    void unwatchPorts();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::map<int, std::string> directories_;  // watch -> directory
    std::map<int, std::string> ports_;        // watch -> device
};
