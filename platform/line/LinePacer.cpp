// SPDX-License-Identifier: MIT
#include "LinePacer.h"

#include <algorithm>

void LinePacer::handed(std::size_t bytes, Clock::time_point now)
{
    lineFreeAt_ = std::max(now, lineFreeAt_) + byteTime_ * static_cast<long>(bytes);
}

std::size_t LinePacer::unsent(Clock::time_point now) const
{
    if (lineFreeAt_ <= now)
        return 0;
    const auto left = lineFreeAt_ - now;
    return static_cast<std::size_t>((left + byteTime_ - Clock::duration(1)) / byteTime_);
}

LinePacer::Clock::time_point LinePacer::whenUnsentAtMost(std::size_t bytes) const
{
    return lineFreeAt_ - byteTime_ * static_cast<long>(bytes);
}
