// SPDX-License-Identifier: MIT
#include "BoundedClose.h"

#include <csignal>
#include <ctime>
#include <mutex>

#include <unistd.h>

#ifndef sigev_notify_thread_id
#define sigev_notify_thread_id _sigev_un._tid  // glibc names the field only in the kernel's headers
#endif

namespace {

// Its handler does nothing: the signal is there to end the kernel's wait. SA_RESTART, so that a
// signal that comes late, after the close, restarts whatever this thread was doing then.
int closeSignal()
{
    static int number = 0;
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        action.sa_flags = SA_RESTART;
        ::sigemptyset(&action.sa_mask);
        if (::sigaction(SIGRTMIN + 4, &action, nullptr) == 0)
            number = SIGRTMIN + 4;
    });
    return number;
}

}  // namespace

void closeWithin(int fd, std::chrono::milliseconds bound)
{
    const int signal = closeSignal();
    sigevent toThisThread{};
    toThisThread.sigev_notify = SIGEV_THREAD_ID;
    toThisThread.sigev_signo = signal;
    toThisThread.sigev_notify_thread_id = ::gettid();
    timer_t timer{};
    if (signal == 0 || ::timer_create(CLOCK_MONOTONIC, &toThisThread, &timer) != 0) {
        ::close(fd);  // no timer to be had: the close as the kernel does it
        return;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(bound);
    itimerspec once{};
    once.it_value.tv_sec = seconds.count();
    once.it_value.tv_nsec = std::chrono::duration_cast<std::chrono::nanoseconds>(bound - seconds).count();
    ::timer_settime(timer, 0, &once, nullptr);
    ::close(fd);
    ::timer_delete(timer);
}
