// SPDX-License-Identifier: MIT
#pragma once

#include "ProcessUsage.h"

#include <QObject>

#include <chrono>
#include <cstddef>

class ChangeDriver;
class LineSimulator;
class Streamer;

// What one phase noted while it ran; the figures are worked out from it afterwards.
struct PhaseLog {
    using Clock = std::chrono::steady_clock;

    UsageSample streamStart;
    UsageSample streamEnd;
    Clock::time_point saveClicked{};
    Clock::time_point saveReturned{};
    // When the phase stopped watching the wire, and what was still on its way then.
    Clock::time_point watchedUntil{};
    std::size_t bytesHeldAtEnd = 0;
    std::size_t bytesWaitingAtEnd = 0;
    bool saved = false;
    bool burstSeen = false;
};

// One streamer on one line through one stretch of time: a warm-up, the measured stream with the
// driver making changes, Save, then a bounded wait for the burst to be on the wire. Everything
// after the start fires from timers inside the streamer's own event handling.
class BenchPhase : public QObject {
    Q_OBJECT

public:
    struct Length {
        std::chrono::milliseconds warmUp;
        std::chrono::milliseconds streaming;
        std::chrono::milliseconds burstWait;
    };

    BenchPhase(Streamer& streamer, LineSimulator& line, ChangeDriver& driver, Length length,
               QObject* parent = nullptr);

    PhaseLog run();

private:
    void beginMeasuring();
    void endStream();
    bool burstOnWire() const;
    bool waitForBurst();

    Streamer& streamer_;
    LineSimulator& line_;
    ChangeDriver& driver_;
    Length length_;
    PhaseLog log_;
    std::size_t framesBeforeSave_ = 0;
};
