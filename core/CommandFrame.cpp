// SPDX-License-Identifier: MIT
#include "CommandFrame.h"

#include "CheckedInt16.h"

#include <algorithm>

namespace CommandFrame {

char runCommand(std::int16_t selIndex)
{
    return static_cast<char>(checkedAdd(65, selIndex));
}

std::string BuildFrame(char command, std::int16_t posValue)
{
    const int value = std::clamp<int>(posValue, 0, 255);
    std::string frame(Length, '\0');
    frame[1] = command;
    frame[2] = static_cast<char>('0' + value / 100);
    frame[3] = static_cast<char>('0' + value / 10 % 10);
    frame[4] = static_cast<char>('0' + value % 10);
    return frame;
}

}  // namespace CommandFrame
