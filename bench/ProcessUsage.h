// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>

class LineSimulator;

// What the process has used up to one moment: wall time, CPU time of all its threads and of the
// line simulator's reader alone, and resident memory.
struct UsageSample {
    using Clock = std::chrono::steady_clock;

    Clock::time_point wall{};
    Clock::duration processCpu{};
    Clock::duration readerCpu{};
    std::size_t residentBytes = 0;
};

namespace ProcessUsage {

UsageSample sample(const LineSimulator& line);

// CPU time between two samples per second of wall time between them, in % of one core.
double cpuPercent(UsageSample::Clock::duration used, const UsageSample& from, const UsageSample& to);

}  // namespace ProcessUsage
