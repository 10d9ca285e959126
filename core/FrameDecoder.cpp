// SPDX-License-Identifier: MIT
#include "FrameDecoder.h"

#include "CommandFrame.h"

namespace {

bool isCommand(unsigned char byte)
{
    return (byte >= 'A' && byte <= 'P') || byte == CommandFrame::SaveCommand || byte == CommandFrame::ResetCommand;
}

bool isDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

}  // namespace

bool FrameDecoder::fits(unsigned char byte) const
{
    switch (filled_) {
    case 0:
        return byte == 0;
    case 1:
        return isCommand(byte);
    default:
        return isDigit(byte);
    }
}

std::optional<DecodedFrame> FrameDecoder::take(unsigned char byte)
{
    if (!fits(byte)) {
        malformed_ += filled_;
        filled_ = 0;
        // A zero byte out of place is where the next frame begins, not more garbage.
        if (byte != 0) {
            ++malformed_;
            return std::nullopt;
        }
    }
    bytes_[filled_++] = byte;
    if (filled_ < bytes_.size())
        return std::nullopt;
    filled_ = 0;
    return complete();
}

std::optional<DecodedFrame> FrameDecoder::complete()
{
    const int value = (bytes_[2] - '0') * 100 + (bytes_[3] - '0') * 10 + (bytes_[4] - '0');
    if (value > 255) {
        malformed_ += bytes_.size();
        return std::nullopt;
    }
    return DecodedFrame{static_cast<char>(bytes_[1]), value};
}
