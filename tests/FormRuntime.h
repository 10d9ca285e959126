// SPDX-License-Identifier: MIT
#pragma once

#include "QtRuntime.h"
#include "ScriptedRuntime.h"

// The real runtime, except that program end is an exception the test can catch.
class FormRuntime : public QtRuntime {
public:
    int ends = 0;
    [[noreturn]] void End() override
    {
        ++ends;
        throw ProgramEnded();
    }
};
