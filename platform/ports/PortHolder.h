// SPDX-License-Identifier: MIT
#pragma once

#include "PortFault.h"

#include <optional>
#include <string>

// Other programs that use a device, where the system lets them be looked into (Linux: /proc,
// PortHolderLinux.h). Windows lets one program at a time open a COM port and does not tell which
// one has it.
namespace PortHolder {

using Holder = PortFault::Holder;

// "minicom (pid 4242)", as the offer and the failure lines name a holder.
inline std::string named(const Holder& holder)
{
    return holder.program + " (pid " + std::to_string(holder.pid) + ")";
}

// A writer would mix its bytes into the panel's frames; a reader (a monitor) collides with
// nothing, since the panel only writes.
struct Users {
    std::optional<Holder> writer;
    std::optional<Holder> reader;
};

}  // namespace PortHolder
