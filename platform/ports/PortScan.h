// SPDX-License-Identifier: MIT
#pragma once

#include "PortRecord.h"

#include <vector>

// The serial ports present on this machine now, with what stands in the way of opening each.
// Nothing is opened to find them: opening a port can reset the board behind it.
namespace PortScan {

// The ports present and who else uses them: devices() and lookIntoUse() together.
std::vector<PortRecord> present();

// The ports present, without looking into their use (nor permissions): quick, it reads no
// process's descriptors.
std::vector<PortRecord> devices();

// Brings what may change without a device coming or going up to date: who may write each port,
// which other programs hold it open, and whether a virtual line has since become a terminal
// session (it is then left out). Reads every visible process's descriptors: not for the window's
// thread.
void lookIntoUse(std::vector<PortRecord>& records);

}  // namespace PortScan
