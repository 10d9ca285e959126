// SPDX-License-Identifier: MIT
#include "BenchOptions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace std::chrono_literals;

namespace {

std::optional<unsigned long> numberIn(const char* text)
{
    unsigned long number = 0;
    const char* end = text + std::strlen(text);
    const auto [last, error] = std::from_chars(text, end, number);
    if (error != std::errc() || last != end || text == end)
        return std::nullopt;
    return number;
}

std::optional<double> percentIn(const char* text)
{
    char* end = nullptr;
    const double percent = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(percent) || std::fabs(percent) > 10)
        return std::nullopt;
    return percent;
}

std::string driftName(double percent)
{
    char name[32];
    std::snprintf(name, sizeof name, percent == 0 ? "nominal" : "%+.2g %%", percent);
    return name;
}

// Each drift the panel must stand, a far end that stops for a moment, a driver that overcounts
// its queue, and the naive baseline.
std::vector<PhasePlan> standardPhases(std::chrono::milliseconds panel, std::chrono::milliseconds stalled,
                                      std::chrono::milliseconds stallAfter, std::chrono::milliseconds naive)
{
    return {
        {"nominal", false, 0, panel, std::nullopt},
        {"-1 %", false, -1, panel, std::nullopt},
        {"+1 %", false, +1, panel, std::nullopt},
        {"stall 200 ms", false, 0, stalled, stallAfter},
        {"cdc_acm count", false, 0, panel, std::nullopt, true},
        {"naive", true, 0, naive, std::nullopt},
    };
}

}  // namespace

const char* BenchOptions::usage()
{
    return "usage: kandimor_bench [--smoke | --soak MINUTES [--drift PERCENT]] [--seed N]\n";
}

std::optional<BenchOptions> BenchOptions::parse(int argc, char* argv[])
{
    BenchOptions options;
    std::optional<unsigned long> soakMinutes;
    std::optional<double> drift;
    bool smoke = false;
    for (int at = 1; at < argc; ++at) {
        const std::string argument = argv[at];
        const char* next = at + 1 < argc ? argv[at + 1] : "";
        if (argument == "--smoke") {
            smoke = true;
        } else if (argument == "--soak") {
            soakMinutes = numberIn(next);
            if (!soakMinutes || *soakMinutes == 0 || *soakMinutes > 24 * 60) {
                std::fprintf(stderr, "--soak needs a number of minutes\n%s", usage());
                return std::nullopt;
            }
            ++at;
        } else if (argument == "--drift") {
            drift = percentIn(next);
            if (!drift) {
                std::fprintf(stderr, "--drift needs a percentage from -10 to 10\n%s", usage());
                return std::nullopt;
            }
            ++at;
        } else if (argument == "--seed") {
            const auto seed = numberIn(next);
            if (!seed) {
                std::fprintf(stderr, "--seed needs a number\n%s", usage());
                return std::nullopt;
            }
            options.seed = static_cast<std::uint32_t>(*seed);
            ++at;
        } else {
            std::fprintf(stderr, "unknown argument %s\n%s", argument.c_str(), usage());
            return std::nullopt;
        }
    }
    if ((smoke && soakMinutes) || (drift && !soakMinutes)) {
        std::fprintf(stderr, "--drift goes with --soak, and --soak not with --smoke\n%s", usage());
        return std::nullopt;
    }
    if (soakMinutes) {
        options.mode = "soak " + std::to_string(*soakMinutes) + " min";
        options.phases = {{driftName(drift.value_or(0)), false, drift.value_or(0),
                           std::chrono::minutes(*soakMinutes), std::nullopt}};
    } else if (smoke) {
        options.mode = "smoke";
        options.phases = standardPhases(3s, 3s, 1s, 2s);
    } else {
        options.phases = standardPhases(30s, 40s, 5s, 20s);
    }
    return options;
}
