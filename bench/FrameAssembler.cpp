// SPDX-License-Identifier: MIT
#include "FrameAssembler.h"

std::optional<WireFrame> FrameAssembler::take(unsigned char byte, Clock::time_point done)
{
    const auto frame = decoder_.take(byte);
    if (decoder_.bytesInFrame() == 1)
        firstDone_ = done;
    if (!frame)
        return std::nullopt;
    return WireFrame{firstDone_, done, frame->command, frame->value};
}
