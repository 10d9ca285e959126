// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The machine a run was made on, for the report: cores, CPU model and kernel.
namespace MachineInfo {

std::string describe();

}  // namespace MachineInfo
