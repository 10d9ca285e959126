// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// How long each phase streams, from the command line: the default run takes about a minute,
// --smoke a few seconds, --soak N runs the panel for N minutes.
struct BenchOptions {
    std::string mode = "default";
    std::chrono::milliseconds panelStreaming{40'000};
    // The naive phase has a backlog and a busy core to show, not a long life: it stays short.
    std::chrono::milliseconds naiveStreaming{20'000};
    std::uint32_t seed = 1;

    // Empty, with the reason printed, when the arguments make no sense.
    static std::optional<BenchOptions> parse(int argc, char* argv[]);
    static const char* usage();
};
