// SPDX-License-Identifier: MIT
#include "StopSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr int Caught[] = {SIGINT, SIGTERM, SIGHUP};

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
    for (const int number : Caught)
        catchSignal(number);
}

StopSignals::~StopSignals()
{
    for (const int number : Caught)
        std::signal(number, SIG_DFL);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

int StopSignals::fd() const { return pipeEnds[0]; }
