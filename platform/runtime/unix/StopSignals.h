// SPDX-License-Identifier: MIT
#pragma once

// The requests to stop (Ctrl-C's SIGINT, SIGTERM, and SIGHUP when the terminal or the session
// goes away) turned into a readable pipe, so that a wait on other descriptors, or an event loop,
// also wakes up for them. One instance per process.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Readable once a stop was asked for.
    int fd() const;
};
