// SPDX-License-Identifier: MIT
#include "Sermod1.h"

#include "NumberText.h"
#include "Runtime.h"

#include <string>

namespace Sermod1 {

std::int16_t ComPort = 0;

void Main(Runtime& runtime, const std::function<void()>& showMainWindow)
{
    std::string proposed = std::to_string(4);
    for (;;) {
        const std::string answer =
            runtime.InputBox("Check COM port, change if required", "Port setting", proposed);
        if (answer.empty()) {
            runtime.End();
            return;
        }
        if (const auto number = NumberText::roundToInt16(NumberText::readLenient(answer))) {
            ComPort = *number;
            break;
        }
        // Too large for a port number: ask again, keeping what was typed so it can be mended.
        proposed = answer;
    }
    showMainWindow();
}

}  // namespace Sermod1
