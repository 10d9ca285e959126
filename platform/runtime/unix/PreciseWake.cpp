// SPDX-License-Identifier: MIT
#include "PreciseWake.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <sys/timerfd.h>
#include <unistd.h>

// steady_clock is CLOCK_MONOTONIC on Linux, so its time points arm the timer as they are.
PreciseWake::PreciseWake(QObject* parent)
    : QObject(parent), timer_(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (timer_ < 0)
        throw std::runtime_error("timerfd_create failed");
    notifier_ = new QSocketNotifier(timer_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PreciseWake::expired);
}

PreciseWake::~PreciseWake()
{
    notifier_->setEnabled(false);
    ::close(timer_);
}

void PreciseWake::at(Clock::time_point when)
{
    const auto since = when.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    itimerspec due{};
    due.it_value.tv_sec = static_cast<time_t>(seconds.count());
    due.it_value.tv_nsec = static_cast<long>(std::chrono::nanoseconds(since - seconds).count());
    if (due.it_value.tv_sec == 0 && due.it_value.tv_nsec == 0)
        due.it_value.tv_nsec = 1;  // all zeros would disarm it
    ::timerfd_settime(timer_, TFD_TIMER_ABSTIME, &due, nullptr);
}

// Setting a timerfd, to a time or to nothing, also clears an expiry not yet read.
void PreciseWake::cancel()
{
    const itimerspec disarmed{};
    ::timerfd_settime(timer_, 0, &disarmed, nullptr);
}

// Reading clears the expiry, so the descriptor stops being readable until the next one.
void PreciseWake::expired()
{
    std::uint64_t expirations = 0;
    while (::read(timer_, &expirations, sizeof expirations) < 0 && errno == EINTR) {
    }
}
