// SPDX-License-Identifier: MIT
#include "CellNames.h"

#include "CommandFrame.h"

#include <cstdio>

namespace CellNames {
namespace {

const char* const ServoNames[] = {"Servo 1", "Servo 2", "Servo 3", "Servo 4"};
const char* const ModeNames[] = {"Off", "On", "Spd 0", "Spd 1"};

}  // namespace

bool isBurstCommand(char command)
{
    return command == CommandFrame::SaveCommand || command == CommandFrame::ResetCommand;
}

std::string commandName(char command)
{
    if (command == CommandFrame::SaveCommand)
        return "Save";
    if (command == CommandFrame::ResetCommand)
        return "Reset";
    if (command < 'A' || command > 'P')
        return "unknown";
    const int cell = command - 'A';
    return std::string(ServoNames[cell / 4]) + " " + ModeNames[cell % 4];
}

std::string frameHex(const DecodedFrame& frame)
{
    std::string hex;
    for (const char byte : CommandFrame::BuildFrame(frame.command, static_cast<std::int16_t>(frame.value))) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", static_cast<unsigned char>(byte));
        hex += digits;
    }
    hex.pop_back();
    return hex;
}

}  // namespace CellNames
