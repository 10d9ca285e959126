// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

// The terminal side: log lines one under the other, and on a terminal one status line below
// them that is redrawn in place. Into a pipe or a file only the log lines go.
class StatusDisplay {
public:
    StatusDisplay(std::FILE* out, bool interactive);

    void log(const std::string& line, std::chrono::milliseconds sinceStart);
    void status(const std::string& line);
    // Leaves the cursor on a fresh line.
    void finish();

private:
    void clearStatus();

    std::FILE* out_;
    bool interactive_;
    std::string shown_;
};
