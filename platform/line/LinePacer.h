// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>

// A clock model of the serial line: bytes handed to the OS leave the wire one after another at
// the line's rate. It tells how many of them are still waiting and when they will be down to a
// given count, so that the OS is never handed more than the line can carry.
class LinePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit LinePacer(Clock::duration byteTime) : byteTime_(byteTime) {}

    Clock::duration byteTime() const { return byteTime_; }

    // `bytes` handed to the OS at `now`; they follow whatever is still on its way.
    void handed(std::size_t bytes, Clock::time_point now);
    // Bytes handed but not yet fully on the wire at `now`.
    std::size_t unsent(Clock::time_point now) const;
    // When at most `bytes` of those handed so far will still be unsent.
    Clock::time_point whenUnsentAtMost(std::size_t bytes) const;
    // The line is idle: nothing handed is in flight.
    void reset() { lineFreeAt_ = {}; }

private:
    Clock::duration byteTime_;
    Clock::time_point lineFreeAt_{};
};
