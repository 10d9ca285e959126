// SPDX-License-Identifier: MIT
#include "PreciseWake.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

class PreciseWake::Timer {
public:
    // steady_clock is CLOCK_MONOTONIC on Linux, so its time points arm the timer as they are.
    // Without a timerfd (out of descriptors) there is nothing to arm: the pump's millisecond
    // timer stands in, as for a timer that will not arm.
    explicit Timer(QObject* owner) : fd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
    {
        if (fd < 0)
            return;
        notifier = new QSocketNotifier(fd, QSocketNotifier::Read, owner);
        QObject::connect(notifier, &QSocketNotifier::activated, owner, [this] { expired(); });
    }
    ~Timer()
    {
        if (fd < 0)
            return;
        notifier->setEnabled(false);
        ::close(fd);
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Reading clears the expiry, so the descriptor stops being readable until the next one.
    void expired()
    {
        std::uint64_t expirations = 0;
        while (::read(fd, &expirations, sizeof expirations) < 0 && errno == EINTR) {
        }
    }

    const int fd;
    QSocketNotifier* notifier = nullptr;  // owned by the wake
};

PreciseWake::PreciseWake(QObject* parent) : QObject(parent), timer_(std::make_unique<Timer>(this)) {}

PreciseWake::~PreciseWake() = default;

bool PreciseWake::at(Clock::time_point when)
{
    const auto since = when.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    itimerspec due{};
    due.it_value.tv_sec = static_cast<time_t>(seconds.count());
    due.it_value.tv_nsec = static_cast<long>(std::chrono::nanoseconds(since - seconds).count());
    if (due.it_value.tv_sec == 0 && due.it_value.tv_nsec == 0)
        due.it_value.tv_nsec = 1;  // all zeros would disarm it
    return timer_->fd >= 0 && ::timerfd_settime(timer_->fd, TFD_TIMER_ABSTIME, &due, nullptr) == 0;
}

// Setting a timerfd, to a time or to nothing, also clears an expiry not yet read.
void PreciseWake::cancel()
{
    if (timer_->fd < 0)
        return;
    const itimerspec disarmed{};
    // It cannot fail for this descriptor; if it did, a wake-up would come after all, and the
    // pump, which asks again whenever it wakes, would only wait once more.
    static_cast<void>(::timerfd_settime(timer_->fd, 0, &disarmed, nullptr));
}
