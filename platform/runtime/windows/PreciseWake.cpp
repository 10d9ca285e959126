// SPDX-License-Identifier: MIT
#include "PreciseWake.h"

#include <QWinEventNotifier>

#include <algorithm>
#include <stdexcept>

#include <windows.h>

// Debian 12's MinGW-w64 headers do not define it yet.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

class PreciseWake::Timer {
public:
    // The notifier's activation is the wake-up: the event loop returns to its caller for it.
    explicit Timer(QObject* owner) : handle(make()), notifier(new QWinEventNotifier(handle, owner)) {}
    ~Timer()
    {
        notifier->setEnabled(false);
        ::CloseHandle(handle);
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // A high-resolution timer where Windows has one (10, version 1803 on), else a plain one,
    // which still wakes within the system's timer tick.
    static HANDLE make()
    {
        HANDLE timer = ::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                                TIMER_ALL_ACCESS);
        if (timer == nullptr)
            timer = ::CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        if (timer == nullptr)
            throw std::runtime_error("CreateWaitableTimerEx failed");
        return timer;
    }

    const HANDLE handle;
    QWinEventNotifier* notifier;  // owned by the wake
};

PreciseWake::PreciseWake(QObject* parent) : QObject(parent), timer_(std::make_unique<Timer>(this)) {}

PreciseWake::~PreciseWake() = default;

// A waitable timer runs on the system's own clock, so the time left is given, in 100 ns units,
// as a negative (relative) due time.
bool PreciseWake::at(Clock::time_point when)
{
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(when - Clock::now());
    LARGE_INTEGER due{};
    due.QuadPart = -std::max<long long>(left.count() / 100, 1);
    return ::SetWaitableTimer(timer_->handle, &due, 0, nullptr, nullptr, FALSE) != FALSE;
}

void PreciseWake::cancel() { ::CancelWaitableTimer(timer_->handle); }
