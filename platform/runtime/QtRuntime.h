// SPDX-License-Identifier: MIT
#pragma once

#include "Runtime.h"

// The runtime on Qt: real modal dialogs, the Qt event loop as the pump, and a program end that
// sends out what the serial controls have taken before it closes them.
class QtRuntime : public Runtime {
public:
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    void MsgBox(const std::string& text, const std::string& title, const std::string& detail) override;
    void DoEvents() override;
    void DoEventsUntil(const NextWake& nextWake) override;
    [[noreturn]] void End() override;
};
