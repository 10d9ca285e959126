// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>

// Closes a tty's descriptor within `bound`. A tty's last close waits up to the driver's
// closing_wait (30 s by default) for output to leave, whatever O_NONBLOCK says, and a flush does
// not reach what some drivers hold (cdc_acm's write URBs on a board that takes nothing). That
// wait gives way to a signal: one is sent to this thread when the bound runs out.
void closeWithin(int fd, std::chrono::milliseconds bound);
