// SPDX-License-Identifier: MIT
#pragma once

#include "PortHolder.h"

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

// The other processes holding each device asked for open; devices nobody else holds are left
// out. The process holding a pseudo-terminal's master is the line's far end and counts as
// neither writer nor reader, even where it keeps the slave open too.
std::map<std::string, Users> usersOf(const std::vector<std::string>& devices);
Users usersOf(const std::string& device);

// The devices (major, minor) that are some process's controlling terminal, this one's too:
// terminal sessions.
std::set<std::pair<unsigned, unsigned>> controllingTerminals();

// A process of the program named (as /proc/PID/comm has it, which anyone may read), if one runs.
std::optional<Holder> running(const std::string& program);

// A process other than this one whose controlling terminal is the device: a login console's.
std::optional<Holder> sessionOn(const std::string& device);

// The program a process runs (as /proc/PID/comm has it), empty where it cannot be read.
std::string programOf(int pid);

}  // namespace PortHolder
