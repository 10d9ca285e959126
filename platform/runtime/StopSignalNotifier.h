// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <memory>

// The system asking the program to end, as a Qt signal: on Linux SIGINT, SIGTERM and SIGHUP
// (Ctrl-C, kill, a logout); on Windows the session ending (log off, shut down). It is delivered
// like any other event, by the event loop or by a pump running inside an event procedure, so the
// program ends its own way rather than where a signal happened to strike. One instance per
// process.
class StopSignalNotifier : public QObject {
    Q_OBJECT

public:
    explicit StopSignalNotifier(QObject* parent = nullptr);
    ~StopSignalNotifier() override;

signals:
    // Once, for the first request.
    void stopRequested();

private:
    // Where the system's requests arrive.
    class Source;
    std::unique_ptr<Source> source_;
};
