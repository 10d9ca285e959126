// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Which other processes use a device, as far as /proc lets this user see: those that hold it
// open, and those whose terminal it is. This process never counts: a port it holds itself is
// closed before it opens one again. Another user's processes cannot be looked into and stay
// unknown.
namespace PortHolder {

struct Holder {
    int pid = 0;
    std::string program;  // as the kernel names it (/proc/PID/comm)
};

// "minicom (pid 4242)", as the offer and the failure lines name a holder.
inline std::string named(const Holder& holder)
{
    return holder.program + " (pid " + std::to_string(holder.pid) + ")";
}

// The lookups below read /proc and are built on Linux only. Windows lets one program at a time
// open a COM port and does not tell which one has it.

// The other processes holding a device open. A writer would mix its bytes into the panel's
// frames; a reader (a monitor) collides with nothing, since the panel only writes. The process
// holding a pseudo-terminal's master is the line's far end and counts as neither, even where it
// keeps the slave open too.
struct Users {
    std::optional<Holder> writer;
    std::optional<Holder> reader;
};

// The users of each device asked for; devices nobody else holds are left out.
std::map<std::string, Users> usersOf(const std::vector<std::string>& devices);
Users usersOf(const std::string& device);

// The devices (major, minor) that are some process's controlling terminal, this one's too:
// terminal sessions.
std::set<std::pair<unsigned, unsigned>> controllingTerminals();

}  // namespace PortHolder
