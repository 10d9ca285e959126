// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <memory>
#include <string>
#include <vector>

// What the system tells of serial devices while watching, and nothing polls. On Linux, through
// inotify: nodes that appear in, leave or change their permissions in the device directory and
// its pts directory, and opens and closes of the ports being offered. On Windows, WM_DEVICECHANGE,
// which every top-level window gets when a device arrives or goes; Windows tells nothing of a
// COM port being opened.
class DeviceEvents : public QObject {
    Q_OBJECT

public:
    explicit DeviceEvents(QObject* parent = nullptr);
    ~DeviceEvents() override;

    // Watching costs a wake-up only when something happens.
    void start();
    void stop();
    bool watching() const { return source_ != nullptr; }

    // Replaces the ports whose opens and closes are told, where the system tells them.
    void watchPorts(const std::vector<std::string>& devices);

signals:
    // A serial device appeared, went, or changed who may open it; or events were lost.
    void devicesChanged();
    // A program opened or closed one of the ports watched.
    void portsUsed();

private:
    // The system's channel of device events, open while watching.
    class Source;
    std::unique_ptr<Source> source_;
};
