// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <vector>

// A busy desktop's processes: each holds that many open files and sleeps until the crowd goes.
class Crowd {
public:
    Crowd(int processes, int filesEach);
    ~Crowd();
    Crowd(const Crowd&) = delete;
    Crowd& operator=(const Crowd&) = delete;

    int processes() const { return static_cast<int>(children_.size()); }

private:
    std::vector<pid_t> children_;
};
