// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

// Ctrl-C and SIGTERM turned into a readable pipe, so that the wait for bytes on the line also
// wakes up for the request to stop. One instance per process.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    int fd() const;
    // Waits up to `timeout`; true once a stop was asked for.
    bool waitFor(std::chrono::milliseconds timeout) const;
};
