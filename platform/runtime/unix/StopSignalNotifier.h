// SPDX-License-Identifier: MIT
#pragma once

#include "StopSignals.h"

#include <QObject>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP as a Qt signal. It is delivered like any other event, by the event
// loop or by a pump running inside an event procedure, so the program ends its own way rather
// than where the signal happened to strike. One instance per process.
class StopSignalNotifier : public QObject {
    Q_OBJECT

public:
    explicit StopSignalNotifier(QObject* parent = nullptr);

signals:
    // Once, for the first stop signal.
    void stopRequested();

private:
    void onPipeReadable();

    StopSignals stopSignals_;
    QSocketNotifier* notifier_;
};
