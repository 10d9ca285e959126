// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

// One five-byte frame as the far end saw it, with the moments the simulated wire finished its
// first and its last byte.
struct WireFrame {
    using Clock = std::chrono::steady_clock;

    Clock::time_point firstByteDone{};
    Clock::time_point lastByteDone{};
    char command = 0;
    int value = 0;
};
