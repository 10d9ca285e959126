// SPDX-License-Identifier: MIT
#include "PortTable.h"

// The panel's port numbers on Windows: port n is COMn, for every n from 1 to 255 (opened as
// \\.\COMn, which also reaches COM10 and above).

#include <charconv>

namespace PortTable {
namespace {

constexpr int Highest = 255;

}  // namespace

std::optional<std::string> devicePath(std::int16_t number)
{
    if (number < 1 || number > Highest)
        return std::nullopt;
    return "COM" + std::to_string(number);
}

std::optional<std::int16_t> numberOf(const std::string& name)
{
    if (name.size() <= 3 || name.compare(0, 3, "COM") != 0 || name[3] == '0')
        return std::nullopt;
    int number = 0;
    const char* end = name.data() + name.size();
    const auto [last, error] = std::from_chars(name.data() + 3, end, number);
    if (error != std::errc() || last != end || number < 1 || number > Highest)
        return std::nullopt;
    return static_cast<std::int16_t>(number);
}

std::string kindOf(std::int16_t) { return "COM port"; }

}  // namespace PortTable
