// SPDX-License-Identifier: MIT
#include "PortOffer.h"

#include "PortProblem.h"
#include "PortTable.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace PortOffer {
namespace {

constexpr std::size_t MostNamed = 3;  // ports a failure message names before "and N more"

std::string hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

// The main words for a record, and whether the manufacturer is already in them.
std::pair<std::string, bool> mainWords(const PortRecord& record)
{
    if (record.virtualLine)
        return {"virtual line", false};
    if (!record.description.empty())
        return {record.description, false};
    if (!record.manufacturer.empty())
        return {record.manufacturer, true};
    if (record.vendorId && record.productId)
        return {"USB device " + hex4(*record.vendorId) + ":" + hex4(*record.productId), false};
    const auto number = PortTable::numberOf(record.device);
    return {number ? PortTable::kindOf(*number) : "serial port", false};
}

std::string obstacle(const PortRecord& record)
{
    if (record.noPermission)
        return ": no permission";
    if (record.users.writer)
        return ": in use by " + PortHolder::named(*record.users.writer);
    if (record.users.reader)
        return ": read by " + PortHolder::named(*record.users.reader);  // no obstacle: the panel only writes
    return {};
}

void sortByNumber(std::vector<PortRecord>& records)
{
    const auto key = [](const PortRecord& record) {
        const auto number = PortTable::numberOf(record.device);
        return std::make_tuple(!number, number.value_or(0), record.device);
    };
    std::stable_sort(records.begin(), records.end(),
                     [&](const PortRecord& a, const PortRecord& b) { return key(a) < key(b); });
}

std::string padded(std::string text, std::size_t width)
{
    text.resize(std::max(width, text.size()), ' ');
    return text;
}

// A whole entry of why, in lines of at most WrapAt beneath its first: the cure shows without
// scrolling the offer sideways.
std::string wrapped(const std::string& text, const std::string& indent)
{
    constexpr std::size_t WrapAt = 64;
    std::string lines, line;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (!line.empty() && line.size() + end - at >= WrapAt) {
            lines += line + "\n" + indent;
            line.clear();
        }
        if (!line.empty())
            line += ' ';
        line.append(text, at, end - at);
        at = end + 1;
    }
    return lines + line;
}

}  // namespace

std::string whatItIs(const PortRecord& record)
{
    const auto [words, manufacturerSaid] = mainWords(record);
    std::vector<std::string> details;
    if (!record.virtualLine) {
        if (!manufacturerSaid && !record.manufacturer.empty() && !record.description.empty())
            details.push_back(record.manufacturer);
        if (!record.serialNumber.empty())
            details.push_back("serial " + record.serialNumber);
    }
    std::string text = words;
    for (std::size_t i = 0; i < details.size(); ++i)
        text += (i == 0 ? " (" : ", ") + details[i];
    return details.empty() ? text : text + ")";
}

std::vector<Entry> entries(std::vector<PortRecord> records)
{
    sortByNumber(records);
    std::vector<Entry> offered;
    std::size_t numberWidth = 0, deviceWidth = 0;
    for (const PortRecord& record : records) {
        const auto number = PortTable::numberOf(record.device);
        numberWidth = std::max(numberWidth, number ? std::to_string(*number).size() : 0);
        deviceWidth = std::max(deviceWidth, record.device.size());
    }
    for (const PortRecord& record : records) {
        if (record.portTaken) {
            const std::string indent = padded("", numberWidth) + "  " + padded("", deviceWidth) + "  ";
            offered.push_back({std::nullopt, indent + wrapped(PortProblem::line(*record.portTaken), indent)});
            continue;
        }
        const auto number = PortTable::numberOf(record.device);
        const std::string what = number ? whatItIs(record) : whatItIs(record) + ", no port number";
        offered.push_back({number, padded(number ? std::to_string(*number) : "", numberWidth) + "  "
                                       + padded(record.device, deviceWidth) + "  " + what + obstacle(record)});
    }
    return offered;
}

std::string presentNow(std::vector<PortRecord> records)
{
    sortByNumber(records);
    std::vector<std::string> named;
    std::size_t more = 0;
    for (const PortRecord& record : records) {
        const auto number = PortTable::numberOf(record.device);
        if (!number)
            continue;  // nothing the user could type
        if (named.size() == MostNamed) {
            ++more;
            continue;
        }
        named.push_back(std::to_string(*number) + " " + record.device + " (" + mainWords(record).first + ")");
    }
    if (named.empty())
        return "No serial port is present now.";
    std::string sentence = "Present now: ";
    for (std::size_t i = 0; i < named.size(); ++i)
        sentence += (i == 0 ? "" : ", ") + named[i];
    if (more > 0) {
        // Formatted, not appended: the compiler would store a short literal as immediates split
        // mid-word, and lintian would read a misspelling in the binary.
        char tail[48];
        std::snprintf(tail, sizeof tail, " and %zu more", more);
        sentence += tail;
    }
    return sentence + ".";
}

}  // namespace PortOffer
