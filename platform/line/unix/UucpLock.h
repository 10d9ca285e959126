// SPDX-License-Identifier: MIT
#pragma once

#include "PortFault.h"

#include <optional>
#include <string>

// The lock files through which programs on serial lines (minicom, cu) keep out of each other's
// way, root's among them, which the kernel's exclusive use does not stop: LCK..ttyUSB0 in
// /run/lock, holding its program's pid as ten ASCII digits and a newline (older programs wrote
// it as a binary int). A lock whose program has ended is stale and counts for nothing.
class UucpLock {
public:
    // The directory the locks stand in, "/run/lock" unless a test puts its own elsewhere.
    static void setDirectory(std::string directory);
    static const std::string& directory();

    UucpLock() = default;
    // Locks `device` for this process, unless another live program has: then holder() names it.
    // Where the directory is not this user's to write in, nothing is locked and nothing said.
    explicit UucpLock(const std::string& device);
    ~UucpLock();
    UucpLock(UucpLock&& other) noexcept;
    UucpLock& operator=(UucpLock&& other) noexcept;

    // The live program whose lock kept this one from being taken.
    const std::optional<PortFault::Holder>& holder() const { return holder_; }

private:
    void release();

    std::string path_;  // the lock this process made, none if it made none
    std::optional<PortFault::Holder> holder_;
};
