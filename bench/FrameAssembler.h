// SPDX-License-Identifier: MIT
#pragma once

#include "FrameDecoder.h"
#include "WireFrame.h"

#include <cstddef>
#include <optional>

// Cuts the wire's byte stream into frames, stamped with the moments their first and last bytes
// were done, so the count of malformed bytes says whether the stream was ever out of step.
class FrameAssembler {
public:
    using Clock = WireFrame::Clock;

    // The frame this byte completes, if it completes one.
    std::optional<WireFrame> take(unsigned char byte, Clock::time_point done);
    std::size_t malformedBytes() const { return decoder_.malformedBytes(); }

private:
    FrameDecoder decoder_;
    Clock::time_point firstDone_{};
};
