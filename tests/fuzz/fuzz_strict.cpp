// SPDX-License-Identifier: MIT
// Feeds any bytes to the exacting Com-prompt reading, and cross-checks it against the forgiving
// one: text the strict reading accepts must read the same either way, and nothing can follow a
// number the strict reading accepts.
#include "NumberText.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void checkAgainstLenient(const std::string& text)
{
    const auto strict = NumberText::readStrictInt16(text);
    if (!strict)
        return;
    if (NumberText::roundToInt16(NumberText::readLenient(text)) != strict)
        std::abort();
    if (NumberText::readStrictInt16(text + "x"))
        std::abort();
}

// The first two bytes as a port number, written out as a user would type it, must read back.
void checkRoundTrip(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return;
    const auto number = static_cast<std::int16_t>(data[0] | (data[1] << 8));
    if (NumberText::readStrictInt16(" " + std::to_string(number) + "\t") != number)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkAgainstLenient(std::string(reinterpret_cast<const char*>(data), size));
    checkRoundTrip(data, size);
    return 0;
}
