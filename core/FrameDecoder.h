// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <optional>

// Reads frames back from the bytes on the wire, as the controller's end of the line sees them:
// 00, a command ('A'..'P', '@', '#'), three digits 000..255. A byte that cannot belong to a frame
// is counted and skipped; a zero byte always starts a new frame, so the reader falls back into
// step on the next frame after any garbage.
struct DecodedFrame {
    char command = 0;
    int value = 0;
    bool operator==(const DecodedFrame&) const = default;
};

class FrameDecoder {
public:
    // The frame this byte completes, if it completes one.
    std::optional<DecodedFrame> take(unsigned char byte);

    // Bytes skipped so far because they were not part of a well-formed frame.
    std::size_t malformedBytes() const { return malformed_; }
    // Bytes of a frame begun and not yet complete.
    std::size_t bytesInFrame() const { return filled_; }

private:
    bool fits(unsigned char byte) const;
    std::optional<DecodedFrame> complete();

    std::array<unsigned char, 5> bytes_{};
    std::size_t filled_ = 0;
    std::size_t malformed_ = 0;
};
