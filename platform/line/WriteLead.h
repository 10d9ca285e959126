// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

// How long before the line would fall idle the next write is asked for. It starts small, so that
// a change waits for little more than the frame on the wire. A write that still came after the
// line fell idle (a busy machine woke the panel late) widens it by a quarter of what it missed, and
// every write on time narrows it a little: a stray late wake-up hardly moves it, while a busy spell,
// with one late wake-up after another, soon has the lead it needs.
class WriteLead {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr Clock::duration Least = std::chrono::microseconds(1500);
    static constexpr Clock::duration Most = std::chrono::microseconds(3000);

    Clock::duration current() const { return lead_; }

    // The line was to fall idle at `idleAt`, and the next write came at `came`.
    void wrote(Clock::time_point idleAt, Clock::time_point came);

private:
    Clock::duration lead_ = Least;
};
