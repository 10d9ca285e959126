// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <chrono>

class QSocketNotifier;

// Wakes the event loop at a given moment, to the tens of microseconds. QTimer counts whole
// milliseconds, which is most of a byte on a 9600-baud line (1.04 ms); a timerfd is exact.
class PreciseWake : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    explicit PreciseWake(QObject* parent = nullptr);
    ~PreciseWake() override;
    PreciseWake(const PreciseWake&) = delete;
    PreciseWake& operator=(const PreciseWake&) = delete;

    // Posts a wake-up to the event loop at `when` (at once when it has passed), replacing any
    // earlier one not yet due.
    void at(Clock::time_point when);
    // No wake-up after all.
    void cancel();

private:
    void expired();

    int timer_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
