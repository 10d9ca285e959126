// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

// Makes one tty's output queue read as cdc_acm and rfcomm count it: while a write is in flight,
// a whole write buffer (20 packets of 64 bytes) for it, whatever it held. A write is in flight
// for `inFlight` after it was made. It stands in for write() and ioctl() in the program that
// links it, so the line itself is a real one.
namespace OvercountingDriver {

constexpr int BufferCount = 20 * 64;

void overcount(const std::string& device, std::chrono::microseconds inFlight);
void stop();

}  // namespace OvercountingDriver
