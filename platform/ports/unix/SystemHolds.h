// SPDX-License-Identifier: MIT
#pragma once

#include "PortFault.h"

// What the system itself may be doing when it refuses a port: on the first plug it is often not
// the user's program that is in the way but a braille display service that took the adapter, a
// modem prober trying the new port, a login console on a board's UART, or a group joined after
// this login began. Looked into only once an open failed, where /proc and sysfs may be read.
namespace SystemHolds {

// The fault with such a cause where one is found, else as it was.
PortFault explained(PortFault fault);

}  // namespace SystemHolds
