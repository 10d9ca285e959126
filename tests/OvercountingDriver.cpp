// SPDX-License-Identifier: MIT
#include "OvercountingDriver.h"

#include <atomic>
#include <cstdarg>

#include <dlfcn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<dev_t> device{0};
std::atomic<long long> inFlightNs{0};
std::atomic<long long> lastWriteNs{0};

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool isTheDevice(int fd)
{
    const dev_t watched = device.load();
    struct stat node {};
    return watched != 0 && ::fstat(fd, &node) == 0 && S_ISCHR(node.st_mode) && node.st_rdev == watched;
}

template <typename Function>
Function* real(const char* name)
{
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

namespace OvercountingDriver {

void overcount(const std::string& path, std::chrono::microseconds inFlight)
{
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0)
        return;
    inFlightNs = std::chrono::nanoseconds(inFlight).count();
    lastWriteNs = 0;
    device = node.st_rdev;
}

void stop() { device = 0; }

}  // namespace OvercountingDriver

extern "C" ssize_t write(int fd, const void* data, size_t size)
{
    static auto* const next = real<ssize_t(int, const void*, size_t)>("write");
    const ssize_t written = next(fd, data, size);
    if (written > 0 && isTheDevice(fd))
        lastWriteNs = nowNs();
    return written;
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept
{
    static auto* const next = real<int(int, unsigned long, ...)>("ioctl");
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (request == TIOCOUTQ && isTheDevice(fd) && lastWriteNs != 0 && nowNs() - lastWriteNs < inFlightNs) {
        *static_cast<int*>(argument) = OvercountingDriver::BufferCount;
        return 0;
    }
    return next(fd, request, argument);
}
