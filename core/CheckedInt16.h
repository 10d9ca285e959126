// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>

// 16-bit arithmetic that fails instead of wrapping around.
inline std::int16_t checkedAdd(std::int16_t a, std::int16_t b)
{
    const int sum = int{a} + int{b};
    if (sum < std::numeric_limits<std::int16_t>::min() || sum > std::numeric_limits<std::int16_t>::max())
        throw std::overflow_error("16-bit overflow");
    return static_cast<std::int16_t>(sum);
}
