#include "PortTable.h"

#include <array>
#include <charconv>

namespace PortTable {
namespace {

struct Range {
    int first;
    int count;
    const char* prefix;
};

constexpr std::array<Range, 5> Ranges{{
    {1, 32, "/dev/ttyS"},
    {33, 32, "/dev/ttyUSB"},
    {65, 32, "/dev/ttyACM"},
    {97, 32, "/dev/ttyAMA"},
    {1000, 1000, "/dev/pts/"},
}};

constexpr const char* PtsPrefix = "/dev/pts/";

}  // namespace

std::optional<std::string> devicePath(std::int16_t number)
{
#ifdef _WIN32
    if (number >= 1)
        return "COM" + std::to_string(number);
    return std::nullopt;
#else
    for (const Range& range : Ranges)
        if (number >= range.first && number < range.first + range.count)
            return range.prefix + std::to_string(number - range.first);
    return std::nullopt;
#endif
}

std::optional<std::int16_t> numberOfPseudoTerminal(const std::string& path)
{
    const std::string prefix = PtsPrefix;
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
