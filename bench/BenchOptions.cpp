// SPDX-License-Identifier: MIT
#include "BenchOptions.h"

#include <charconv>
#include <cstdio>
#include <cstring>

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

}  // namespace

const char* BenchOptions::usage()
{
    return "usage: kandimor_bench [--smoke | --soak MINUTES] [--seed N]\n";
}

std::optional<BenchOptions> BenchOptions::parse(int argc, char* argv[])
{
    BenchOptions options;
    for (int at = 1; at < argc; ++at) {
        const std::string argument = argv[at];
        const char* next = at + 1 < argc ? argv[at + 1] : "";
        if (argument == "--smoke") {
            options.mode = "smoke";
            options.panelStreaming = std::chrono::milliseconds(4'000);
            options.naiveStreaming = std::chrono::milliseconds(2'000);
        } else if (argument == "--soak") {
            const auto minutes = numberIn(next);
            if (!minutes || *minutes == 0 || *minutes > 24 * 60) {
                std::fprintf(stderr, "--soak needs a number of minutes\n%s", usage());
                return std::nullopt;
            }
            options.mode = "soak " + std::to_string(*minutes) + " min";
            options.panelStreaming = std::chrono::minutes(*minutes);
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
    return options;
}
