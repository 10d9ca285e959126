// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <chrono>
#include <memory>

// Wakes the event loop at a given moment, to a fraction of a millisecond. QTimer counts whole
// milliseconds, which is most of a byte on a 9600-baud line (1.04 ms); the system's own timer is
// finer: a timerfd on Linux, a high-resolution waitable timer on Windows.
class PreciseWake : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    explicit PreciseWake(QObject* parent = nullptr);
    ~PreciseWake() override;
    PreciseWake(const PreciseWake&) = delete;
    PreciseWake& operator=(const PreciseWake&) = delete;

    // Posts a wake-up to the event loop at `when` (at once when it has passed), replacing any
    // earlier one not yet due. False when the system would not arm its timer: no wake-up comes.
    [[nodiscard]] bool at(Clock::time_point when);
    // No wake-up after all.
    void cancel();

private:
    // The system's timer, and the notifier through which the event loop watches it.
    class Timer;
    std::unique_ptr<Timer> timer_;
};
