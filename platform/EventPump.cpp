// SPDX-License-Identifier: MIT
#include "EventPump.h"

#include "PreciseWake.h"

#include <QCoreApplication>

namespace EventPump {

void pumpOnce() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void pumpUntil(const Runtime::NextWake& nextWake)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // A wake-up ends the wait when nothing else happens first; without it the wait could only end
    // with the next user event.
    PreciseWake wake;
    while (const auto when = nextWake()) {
        wake.at(*when);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace EventPump
