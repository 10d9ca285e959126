// SPDX-License-Identifier: MIT
#include "PortTableLinux.h"

// The panel's port numbers on Linux:
//    1–32   /dev/ttyS0–31      (built-in UARTs)
//   33–64   /dev/ttyUSB0–31    (USB serial adapters)
//   65–96   /dev/ttyACM0–31    (USB modems, boards with native USB)
//   97–128  /dev/ttyAMA0–31    (ARM board UARTs)
//  129–160  /dev/rfcomm0–31    (Bluetooth serial lines)
// 1000–1999 /dev/pts/0–999     (pseudo-terminals: virtual serial lines)

#include <array>
#include <charconv>
#include <utility>

namespace PortTable {
namespace {

struct Range {
    int first;
    int count;
    const char* prefix;
    const char* kind;
};

constexpr std::array<Range, 6> Ranges{{
    {1, 32, "/ttyS", "built-in serial port"},
    {33, 32, "/ttyUSB", "USB serial adapter"},
    {65, 32, "/ttyACM", "USB serial device"},
    {97, 32, "/ttyAMA", "board UART"},
    {129, 32, "/rfcomm", "Bluetooth serial line"},
    {1000, 1000, "/pts/", "virtual line"},
}};

constexpr const char* PtsPrefix = "/pts/";

std::string& root()
{
    static std::string path = "/dev";
    return path;
}

std::string& sysfs()
{
    static std::string path = "/sys";
    return path;
}

std::string& proc()
{
    static std::string path = "/proc";
    return path;
}

std::string& groups()
{
    static std::string path = "/etc/group";
    return path;
}

const Range* rangeOf(std::int16_t number)
{
    for (const Range& range : Ranges)
        if (number >= range.first && number < range.first + range.count)
            return &range;
    return nullptr;
}

// The index after `prefix` in `path`, when `path` is exactly the prefix and a plain number.
std::optional<int> indexAfter(const std::string& path, const std::string& prefix)
{
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    int index = -1;
    const char* begin = path.data() + prefix.size();
    const char* end = path.data() + path.size();
    const auto [last, error] = std::from_chars(begin, end, index);
    if (error != std::errc() || last != end || *begin == '+' || *begin == '-')
        return std::nullopt;
    if (end - begin > 1 && *begin == '0')
        return std::nullopt;  // "ttyS01" is no device the kernel makes
    return index;
}

}  // namespace

void setDeviceRoot(std::string path) { root() = std::move(path); }

const std::string& deviceRoot() { return root(); }

void setSysfsRoot(std::string path) { sysfs() = std::move(path); }

const std::string& sysfsRoot() { return sysfs(); }

void setProcRoot(std::string path) { proc() = std::move(path); }

const std::string& procRoot() { return proc(); }

void setGroupFile(std::string path) { groups() = std::move(path); }

const std::string& groupFile() { return groups(); }

std::optional<std::string> devicePath(std::int16_t number)
{
    if (const Range* range = rangeOf(number))
        return root() + range->prefix + std::to_string(number - range->first);
    return std::nullopt;
}

std::optional<std::int16_t> numberOf(const std::string& path)
{
    for (const Range& range : Ranges) {
        const auto index = indexAfter(path, root() + range.prefix);
        if (index && *index < range.count)
            return static_cast<std::int16_t>(range.first + *index);
    }
    return std::nullopt;
}

std::string kindOf(std::int16_t number)
{
    const Range* range = rangeOf(number);
    return range ? range->kind : "serial port";
}

std::optional<long> pseudoTerminalIndex(unsigned major, unsigned minor)
{
    constexpr unsigned FirstPtyMajor = 136, LastPtyMajor = 143;
    if (major < FirstPtyMajor || major > LastPtyMajor)
        return std::nullopt;
    return static_cast<long>((major - FirstPtyMajor) * 256 + minor);
}

std::optional<std::int16_t> numberOfPseudoTerminal(const std::string& path)
{
    const auto index = indexAfter(path, root() + PtsPrefix);
    if (!index || *index >= 1000)
        return std::nullopt;
    return static_cast<std::int16_t>(1000 + *index);
}

}  // namespace PortTable
