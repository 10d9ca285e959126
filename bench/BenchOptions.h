// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One stretch of streaming: who streams, on how fast a line, for how long, and whether the far
// end stops reading for a while on the way.
struct PhasePlan {
    std::string name;
    bool naive = false;
    double driftPercent = 0;
    std::chrono::milliseconds streaming{};
    // From the start of measuring until the far end stops reading, when it does.
    std::optional<std::chrono::milliseconds> stallAfter;
    // The driver counts a whole buffer for each write in flight, as cdc_acm does.
    bool overcounting = false;
};

// The phases to run, from the command line: the default run takes about three minutes, --smoke a
// few seconds, --soak N runs the panel alone for N minutes on a line --drift P % off 9600 baud.
struct BenchOptions {
    static constexpr std::chrono::milliseconds StallLength{200};

    std::string mode = "default";
    std::vector<PhasePlan> phases;
    std::uint32_t seed = 1;

    // Empty, with the reason printed, when the arguments make no sense.
    static std::optional<BenchOptions> parse(int argc, char* argv[]);
    static const char* usage();
};
