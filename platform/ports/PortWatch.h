// SPDX-License-Identifier: MIT
#pragma once

#include "PortRecord.h"

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

class DeviceEvents;
class QThread;
class QTimer;

// The ports present, kept up to date while a prompt shows them. Devices are looked for again
// when the kernel tells that one came, went or changed its permissions; who uses them, when one
// of them is opened or closed, and now and then for what no event tells (a descriptor handed to
// a child, a line that became a terminal session). Every scan runs on a thread of its own, so the
// window's thread, which also streams, never waits for one; while nobody watches nothing runs.
class PortWatch : public QObject {
    Q_OBJECT

public:
    // A port that comes or goes shows within this long.
    static constexpr int FollowsWithinMs = 1000;

    // The program's one watch, owned by the application object.
    static PortWatch& shared();

    // Counted: scanning goes on while anyone watches.
    void start();
    void stop();

    // The ports as last found, none before the first scan ends.
    const std::optional<std::vector<PortRecord>>& current() const { return current_; }

signals:
    void changed(const std::vector<PortRecord>& records);

private:
    enum class Scan { Use, Everything };

    explicit PortWatch(QObject* parent);
    ~PortWatch() override;

    void request(Scan scan);
    void runNext();
    void take(std::vector<PortRecord> records);

    QThread* thread_;
    // Lives in thread_, where the scans run, so it can have no parent here; it goes once the
    // thread has ended.
    std::unique_ptr<QObject> worker_;
    DeviceEvents* events_;
    QTimer* devicesSettle_;
    QTimer* useSettle_;
    QTimer* recheck_;
    int watchers_ = 0;
    bool scanning_ = false;
    std::optional<Scan> next_;
    std::optional<std::vector<PortRecord>> current_;
};
