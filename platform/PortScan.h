// SPDX-License-Identifier: MIT
#pragma once

#include "PortRecord.h"

#include <vector>

// The serial ports present on this machine now, with what stands in the way of opening each.
// Nothing is opened to find them: opening a port can reset the board behind it.
namespace PortScan {

std::vector<PortRecord> present();

}  // namespace PortScan
