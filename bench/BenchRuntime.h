// SPDX-License-Identifier: MIT
#pragma once

#include "QtRuntime.h"

#include <string>

// The real runtime, except that nobody is there to answer a dialog: a message is kept for the
// report instead of waiting for OK, and a question is answered with Cancel.
class BenchRuntime : public QtRuntime {
public:
    std::string InputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
    void MsgBox(const std::string& text, const std::string&, const std::string& detail) override
    {
        lastMessage = detail.empty() ? text : text + ": " + detail;
    }

    std::string lastMessage;
};
