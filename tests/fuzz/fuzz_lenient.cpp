// SPDX-License-Identifier: MIT
// Feeds any bytes to the forgiving start-prompt reading. Besides what the sanitizers catch, it
// checks what a user relies on: a reading is never NaN, and text after the number changes
// nothing.
#include "NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double value = NumberText::readLenient(text);
    if (std::isnan(value))
        std::abort();
    // 'x' can continue no number (not a digit, sign, point, exponent or radix letter).
    const double followed = NumberText::readLenient(text + "x");
    if (followed != value)
        std::abort();
    // Whatever the value, rounding it is safe.
    (void)NumberText::roundToInt16(value);
    return 0;
}
