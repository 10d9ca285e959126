// SPDX-License-Identifier: MIT
#pragma once

#include "Runtime.h"

// The event pump: event procedures it dispatches run to their end inside the call, and may
// pump again themselves.
namespace EventPump {

// Handles every pending event, then returns.
void pumpOnce();

// Handles pending events, then sleeps until the next event or the time nextWake names, handling
// events as they come, until nextWake says done.
void pumpUntil(const Runtime::NextWake& nextWake);

}  // namespace EventPump
