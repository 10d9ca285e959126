// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Reading a port number typed at a prompt. Only ASCII digits count; the number syntax is an
// optional sign, digits with at most one decimal point and an optional exponent (E or D), or a
// hexadecimal (&H) or octal (&O) number.
namespace NumberText {

// The forgiving reading used at startup: blanks (space, tab, line feed) are ignored wherever they
// stand, text after the number is ignored, and text without a leading number reads as 0.
double readLenient(std::string_view text);

// The exacting reading used by the Com command: the whole text must be one number, blanks are
// allowed only around it. Empty when it is not a number or does not fit 16 bits.
std::optional<std::int16_t> readStrictInt16(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour. Empty outside -32768..32767 and
// for infinities and NaN.
std::optional<std::int16_t> roundToInt16(double value);

}  // namespace NumberText
