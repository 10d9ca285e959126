// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// A group joined and a group had: `usermod -aG` lists the user in the group file at once, but a
// login keeps the groups it began with, and so does every program started in it.
namespace LoginGroups {

// The group file lists this user as a member of `group`, which this process lacks (its groups
// as /proc/self/status tells them).
bool joinedButNotInLogin(const std::string& group);

}  // namespace LoginGroups
