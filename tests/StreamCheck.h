// SPDX-License-Identifier: MIT
#pragma once

// What the tests that stream to a pseudo-terminal check with: the far end, the frames it got, and
// the real serial control counting what it was handed.
#include "CountingPort.h"
#include "Frames.h"
#include "PtyPair.h"
