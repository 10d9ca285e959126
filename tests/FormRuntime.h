// SPDX-License-Identifier: MIT
#pragma once

#include "QtRuntime.h"

// The real runtime, except that program end is only recorded, as ScriptedRuntime records it.
class FormRuntime : public QtRuntime {
public:
    int ends = 0;
    void End() override { ++ends; }
};
