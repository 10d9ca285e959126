// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>

class Runtime;

// The startup module: asks for the port number and hands over to the main window.
namespace Sermod1 {

// The serial port number, 1 being the first port; 0 until Main sets it.
extern std::int16_t ComPort;

// Asks for the port number until the answer fits 16 bits, then stores it and calls
// showMainWindow. An empty answer ends the program.
void Main(Runtime& runtime, const std::function<void()>& showMainWindow);

}  // namespace Sermod1
