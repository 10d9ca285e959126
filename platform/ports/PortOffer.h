// SPDX-License-Identifier: MIT
#pragma once

#include "PortRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The ports present, as the prompts offer them and as failure messages name them.
namespace PortOffer {

struct Entry {
    std::optional<std::int16_t> number;  // empty for a device the port table has no number for
    std::string text;                    // "33  /dev/ttyUSB0  FT232R USB UART (FTDI, serial A50285BI)"
};

// One entry per record, by port number, devices without one last; the columns line up in a
// fixed-width font. A port that cannot be opened now says why at the end of its entry; an adapter
// left without a port says why in its whole entry.
std::vector<Entry> entries(std::vector<PortRecord> records);

// What a record is, in words: "FT232R USB UART (FTDI, serial A50285BI)", "virtual line".
std::string whatItIs(const PortRecord& record);

// One sentence naming the ports that can be typed now:
// "Present now: 34 /dev/ttyUSB1 (CP2102), 1003 /dev/pts/3 (virtual line)."
std::string presentNow(std::vector<PortRecord> records);

}  // namespace PortOffer
