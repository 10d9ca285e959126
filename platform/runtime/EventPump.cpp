// SPDX-License-Identifier: MIT
#include "EventPump.h"

#include "PreciseWake.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

namespace EventPump {
namespace {

// Waits nest (a Run inside another Run's pump), each with a wake of its own. The wakes are kept
// for the next wait at the same depth: a timerfd and its notifier made anew for every frame would
// cost more than the wait.
class NestedWake {
public:
    NestedWake()
    {
        static std::vector<QPointer<PreciseWake>> wakes;
        if (wakes.size() <= depth_)
            wakes.resize(depth_ + 1);
        QPointer<PreciseWake>& wake = wakes[depth_];
        if (!wake)
            wake = new PreciseWake(QCoreApplication::instance());
        wake_ = wake;
        ++depth_;
    }
    ~NestedWake()
    {
        --depth_;
        if (wake_)
            wake_->cancel();
    }
    NestedWake(const NestedWake&) = delete;
    NestedWake& operator=(const NestedWake&) = delete;

    // Where the system's timer cannot be armed, a millisecond timer wakes the loop instead: up to
    // a millisecond late, but the wait still ends.
    void at(PreciseWake::Clock::time_point when)
    {
        if (wake_->at(when))
            return;
        if (!coarse_) {
            coarse_ = std::make_unique<QTimer>();
            coarse_->setSingleShot(true);
            coarse_->setTimerType(Qt::PreciseTimer);
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(when - PreciseWake::Clock::now());
        coarse_->start(std::max(wait, std::chrono::milliseconds(0)));
    }

private:
    static inline std::size_t depth_ = 0;
    QPointer<PreciseWake> wake_;
    std::unique_ptr<QTimer> coarse_;  // made only once the system's timer has failed
};

}  // namespace

void pumpOnce() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void pumpUntil(const Runtime::NextWake& nextWake)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // A wake-up ends the wait when nothing else happens first; without it the wait could only end
    // with the next user event.
    NestedWake wake;
    while (const auto when = nextWake()) {
        wake.at(*when);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace EventPump
