// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The one message the controller understands: a zero byte, a command character and the value as
// three ASCII digits. No terminator, no checksum, no answer.
namespace CommandFrame {

inline constexpr std::size_t Length = 5;
inline constexpr char SaveCommand = '@';
inline constexpr char ResetCommand = '#';

// 'A' for cell 0 up to 'P' for cell 15.
char runCommand(std::int16_t selIndex);

// posValue is the scroll bar's 0..255; anything outside is held to that range so that a frame is
// always five bytes.
std::string BuildFrame(char command, std::int16_t posValue);

}  // namespace CommandFrame
