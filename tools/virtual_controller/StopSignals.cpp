// SPDX-License-Identifier: MIT
#include "StopSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

void catchSignal(int number)
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(number, &action, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "sigaction");
}

}  // namespace

StopSignals::StopSignals()
{
    if (::pipe(pipeEnds) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    for (const int end : pipeEnds)
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    catchSignal(SIGINT);
    catchSignal(SIGTERM);
}

StopSignals::~StopSignals()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

int StopSignals::fd() const { return pipeEnds[0]; }

bool StopSignals::waitFor(std::chrono::milliseconds timeout) const
{
    pollfd stop{pipeEnds[0], POLLIN, 0};
    const int ready = ::poll(&stop, 1, static_cast<int>(timeout.count()));
    if (ready < 0 && errno != EINTR)
        throw std::system_error(errno, std::generic_category(), "poll");
    return ready > 0;
}
