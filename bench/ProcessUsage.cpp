// SPDX-License-Identifier: MIT
#include "ProcessUsage.h"

#include "LineSimulator.h"

#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

std::chrono::nanoseconds timeOf(const timeval& value)
{
    return std::chrono::seconds(value.tv_sec) + std::chrono::microseconds(value.tv_usec);
}

std::size_t residentBytes()
{
    // statm: total program size, then resident pages.
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0;
    std::size_t resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

namespace ProcessUsage {

UsageSample sample(const LineSimulator& line)
{
    UsageSample now;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    now.processCpu = timeOf(usage.ru_utime) + timeOf(usage.ru_stime);
    now.readerCpu = line.readerCpuTime();
    now.residentBytes = residentBytes();
    now.wall = UsageSample::Clock::now();
    return now;
}

double cpuPercent(UsageSample::Clock::duration used, const UsageSample& from, const UsageSample& to)
{
    const std::chrono::duration<double> wall = to.wall - from.wall;
    const std::chrono::duration<double> cpu = used;
    return wall.count() > 0 ? 100.0 * cpu.count() / wall.count() : 0.0;
}

}  // namespace ProcessUsage
