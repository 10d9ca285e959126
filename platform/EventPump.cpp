// SPDX-License-Identifier: MIT
#include "EventPump.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

namespace EventPump {

void pumpOnce() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void pumpUntil(const Runtime::NextWake& nextWake)
{
    using namespace std::chrono;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // A timer event ends the wait when nothing else happens first; without it the wait could
    // only end with the next user event.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (const auto when = nextWake()) {
        const auto wait = ceil<milliseconds>(*when - Runtime::Clock::now());
        wake.start(std::max(wait, milliseconds(0)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace EventPump
