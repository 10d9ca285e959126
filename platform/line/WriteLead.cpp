// SPDX-License-Identifier: MIT
#include "WriteLead.h"

#include <algorithm>

namespace {

// Later than this is no late wake-up but a pause (a dialog, a stream begun anew): it says nothing
// about how late the panel wakes.
constexpr auto Pause = std::chrono::milliseconds(20);
// On time, the lead gives back this share of what it has above the least.
constexpr int Narrowing = 32;

}  // namespace

void WriteLead::wrote(Clock::time_point idleAt, Clock::time_point came)
{
    const auto late = came - idleAt;
    if (late > Clock::duration::zero() && late < Pause)
        lead_ = std::min(Most, lead_ + late / 4);
    else if (late <= Clock::duration::zero())
        lead_ -= (lead_ - Least) / Narrowing;
}
