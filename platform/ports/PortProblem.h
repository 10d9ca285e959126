// SPDX-License-Identifier: MIT
#pragma once

#include "SerialControl.h"

// The one place where a port's fault becomes words: the line shown beneath "Wrong COM port",
// one short sentence or two, what went wrong and what to do about it.
namespace PortProblem {

std::string line(const PortFault& fault);

// The failure to throw for `fault`, its line made now (a fault that names the ports present
// names them as they are at this moment).
PortFailure failure(PortFault fault);

}  // namespace PortProblem
