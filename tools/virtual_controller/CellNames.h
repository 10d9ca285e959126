// SPDX-License-Identifier: MIT
#pragma once

#include "FrameDecoder.h"

#include <string>

// How the panel names its cells and commands, so the controller's log speaks the user's words.
namespace CellNames {

bool isBurstCommand(char command);
// "Servo 2 On" for 'F', "Save" for '@', "Reset" for '#'.
std::string commandName(char command);
// The five bytes in hex: "00 46 31 32 38".
std::string frameHex(const DecodedFrame& frame);

}  // namespace CellNames
