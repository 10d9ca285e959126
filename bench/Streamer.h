// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// One way of streaming the form's frames to the line: run() streams until save() ends it with
// a burst of twenty Save frames; save() is called from inside run()'s event handling.
class Streamer {
public:
    virtual ~Streamer() = default;
    virtual void run() = 0;
    virtual void save() = 0;
    // Bytes the streamer has taken and not yet handed to the OS.
    virtual std::size_t bytesHeld() const = 0;
};
