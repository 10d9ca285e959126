// SPDX-License-Identifier: MIT
#include "PortTable.h"

#include <array>
#include <charconv>
#include <utility>

namespace PortTable {
namespace {

struct Range {
    int first;
    int count;
    const char* prefix;
};

constexpr std::array<Range, 5> Ranges{{
    {1, 32, "/ttyS"},
    {33, 32, "/ttyUSB"},
    {65, 32, "/ttyACM"},
    {97, 32, "/ttyAMA"},
    {1000, 1000, "/pts/"},
}};

constexpr const char* PtsPrefix = "/pts/";

std::string& deviceRoot()
{
    static std::string root = "/dev";
    return root;
}

}  // namespace

void setDeviceRoot(std::string root) { deviceRoot() = std::move(root); }

std::optional<std::string> devicePath(std::int16_t number)
{
#ifdef _WIN32
    if (number >= 1)
        return "COM" + std::to_string(number);
    return std::nullopt;
#else
    for (const Range& range : Ranges)
        if (number >= range.first && number < range.first + range.count)
            return deviceRoot() + range.prefix + std::to_string(number - range.first);
    return std::nullopt;
#endif
}

std::optional<std::int16_t> numberOfPseudoTerminal(const std::string& path)
{
    const std::string prefix = deviceRoot() + PtsPrefix;
    if (path.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    int index = -1;
    const char* begin = path.data() + prefix.size();
    const char* end = path.data() + path.size();
    const auto [last, error] = std::from_chars(begin, end, index);
    if (error != std::errc() || last != end || begin == end || index < 0 || index >= 1000)
        return std::nullopt;
    return static_cast<std::int16_t>(1000 + index);
}

}  // namespace PortTable
