// SPDX-License-Identifier: MIT
#pragma once

#include "PortTable.h"

// What Linux's port table has besides: the directories its devices, sysfs and /proc stand in,
// and the pseudo-terminals that virtual lines are.
namespace PortTable {

// The directory the table's names stand in, "/dev" unless a test puts its own nodes elsewhere.
void setDeviceRoot(std::string root);
const std::string& deviceRoot();

// Where the system is read from, "/sys", "/proc" and "/etc/group" unless a test makes trees of
// its own: what the kernel shows of devices and processes, and who is listed in which group.
void setSysfsRoot(std::string root);
const std::string& sysfsRoot();
void setProcRoot(std::string root);
const std::string& procRoot();
void setGroupFile(std::string path);
const std::string& groupFile();

// The index of a Unix98 pseudo-terminal slave (majors 136-143, 256 minors each) from its device
// number; none for any other device.
std::optional<long> pseudoTerminalIndex(unsigned major, unsigned minor);

// The number that names the given pseudo-terminal, as a user would type it.
std::optional<std::int16_t> numberOfPseudoTerminal(const std::string& path);

}  // namespace PortTable
