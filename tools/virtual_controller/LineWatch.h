// SPDX-License-Identifier: MIT
#pragma once

#include "WireMonitor.h"

#include <chrono>

class PseudoTerminal;
class StatusDisplay;
class StopSignals;

// Watches the line until a stop is asked for: reads what the panel writes, notices it opening
// and closing the line, and hands it all to the monitor and the display. Never writes.
class LineWatch {
public:
    LineWatch(PseudoTerminal& line, const StopSignals& stop, StatusDisplay& display);

    void run();

private:
    using Clock = std::chrono::steady_clock;

    // How long a wait lasts at most: the status refreshes and a quiet line is noticed this often.
    static constexpr std::chrono::milliseconds Tick{50};

    // One wait and what came of it; false once a stop was asked for.
    bool step();
    // Waits up to `timeout` on the stop alone; true once a stop was asked for.
    bool stopAskedWithin(std::chrono::milliseconds timeout) const;
    void readLine();
    void lineHungUp();
    void show(const std::vector<std::string>& lines);
    WireMonitor::Time now() const;

    PseudoTerminal& line_;
    const StopSignals& stop_;
    StatusDisplay& display_;
    WireMonitor monitor_;
    Clock::time_point start_ = Clock::now();
    bool connected_ = false;
    bool hungUp_ = true;  // nobody has opened the line yet
};
