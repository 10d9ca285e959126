// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Which processes use a device, as far as /proc lets this user see: those that hold it open, and
// those whose terminal it is. This process never counts as a holder: a port it holds itself is
// closed before it opens one again.
namespace PortHolder {

struct Holder {
    int pid = 0;
    std::string program;  // as the kernel names it (/proc/PID/comm)
};

// The first other process found holding each of the devices; devices held by none are left out.
std::map<std::string, Holder> holdersOf(const std::vector<std::string>& devices);
std::optional<Holder> holderOf(const std::string& device);

// The devices (major, minor) that are some process's controlling terminal, this one's too:
// terminal sessions.
std::set<std::pair<unsigned, unsigned>> controllingTerminals();

}  // namespace PortHolder
