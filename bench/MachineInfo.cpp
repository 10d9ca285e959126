// SPDX-License-Identifier: MIT
#include "MachineInfo.h"

#include <fstream>
#include <sys/utsname.h>
#include <thread>

namespace {

std::string cpuModel()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    const std::string key = "model name";
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        const auto colon = line.find(':');
        return colon == std::string::npos ? line : line.substr(line.find_first_not_of(' ', colon + 1));
    }
    return "unknown CPU";
}

std::string kernel()
{
    utsname names{};
    if (::uname(&names) != 0)
        return "unknown kernel";
    return std::string(names.sysname) + " " + names.release + " " + names.machine;
}

}  // namespace

namespace MachineInfo {

std::string describe()
{
    return std::to_string(std::thread::hardware_concurrency()) + " cores, " + cpuModel() + ", " + kernel();
}

}  // namespace MachineInfo
