// SPDX-License-Identifier: MIT
#include "NumberText.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace NumberText {
namespace {

struct Scan {
    double value = 0;
    std::size_t length = 0;  // 0: no number at the start of the text
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c, int radix)
{
    int value = -1;
    if (isDigit(c))
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < radix ? value : -1;
}

int radixPrefix(std::string_view text)
{
    if (text.size() < 2 || text[0] != '&')
        return 0;
    switch (text[1]) {
    case 'H': case 'h': return 16;
    case 'O': case 'o': return 8;
    default: return 0;
    }
}

// Digits after "&H" or "&O"; a prefix without digits is no number.
Scan scanRadix(std::string_view text, int radix)
{
    double value = 0;
    std::size_t i = 2;
    for (int digit; i < text.size() && (digit = digitValue(text[i], radix)) >= 0; ++i)
        value = value * radix + digit;
    return i > 2 ? Scan{value, i} : Scan{};
}

std::size_t skipDigits(std::string_view text, std::size_t i)
{
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

// The power of ten of a checked decimal number's first significant digit, saturating, so that a
// number too large or too small for a double can be told apart.
long decimalMagnitude(std::string_view number)
{
    constexpr long Limit = 1'000'000'000;
    std::size_t i = (number[0] == '+' || number[0] == '-') ? 1 : 0;
    long magnitude = -1;
    bool significant = false;
    for (; i < number.size() && isDigit(number[i]); ++i) {
        significant = significant || number[i] != '0';
        if (significant && magnitude < Limit)
            ++magnitude;
    }
    if (i < number.size() && number[i] == '.')
        for (++i; i < number.size() && isDigit(number[i]) && !significant; ++i) {
            significant = number[i] != '0';
            if (!significant && magnitude > -Limit)
                --magnitude;
        }
    while (i < number.size() && (isDigit(number[i]) || number[i] == '.'))
        ++i;
    if (!significant)
        return -Limit;  // zero
    if (i < number.size()) {  // exponent
        const bool negative = number[++i] == '-';
        if (number[i] == '-' || number[i] == '+')
            ++i;
        long exponent = 0;
        for (; i < number.size(); ++i)
            exponent = std::min(Limit, exponent * 10 + (number[i] - '0'));
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

// Converts text that scanDecimal has already checked, without depending on the C locale.
double toDouble(std::string_view number)
{
    std::string normal(number.substr(number[0] == '+' ? 1 : 0));
    for (char& c : normal)
        if (c == 'd' || c == 'D')
            c = 'e';
    double value = 0;
    const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        if (decimalMagnitude(number) < 0)
            return 0;
        const double huge = std::numeric_limits<double>::infinity();
        return normal[0] == '-' ? -huge : huge;
    }
    return value;
}

Scan scanDecimal(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t integerEnd = skipDigits(text, i);
    std::size_t digits = integerEnd - i;
    i = integerEnd;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionEnd = skipDigits(text, i + 1);
        digits += fractionEnd - i - 1;
        i = fractionEnd;
    }
    if (digits == 0)
        return {};

    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        const std::size_t exponentEnd = skipDigits(text, j);
        if (exponentEnd > j)
            i = exponentEnd;
    }
    return {toDouble(text.substr(0, i)), i};
}

Scan scanNumber(std::string_view text)
{
    if (const int radix = radixPrefix(text))
        return scanRadix(text, radix);
    return scanDecimal(text);
}

}  // namespace

double readLenient(std::string_view text)
{
    std::string compact;
    compact.reserve(text.size());
    for (char c : text)
        if (!isBlank(c))
            compact += c;
    return scanNumber(compact).value;
}

std::optional<std::int16_t> readStrictInt16(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    const Scan scan = scanNumber(text);
    if (scan.length == 0 || scan.length != text.size())
        return std::nullopt;
    return roundToInt16(scan.value);
}

std::optional<std::int16_t> roundToInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = fraction < 0.5 ? below : below + 1;
    if (fraction == 0.5 && std::fmod(below, 2.0) == 0)
        rounded = below;
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

}  // namespace NumberText
