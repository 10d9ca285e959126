// SPDX-License-Identifier: MIT
#include "StopSignalNotifier.h"

#include <QSocketNotifier>

StopSignalNotifier::StopSignalNotifier(QObject* parent)
    : QObject(parent), notifier_(new QSocketNotifier(stopSignals_.fd(), QSocketNotifier::Read, this))
{
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignalNotifier::onPipeReadable);
}

void StopSignalNotifier::onPipeReadable()
{
    // The answer to a stop takes its time (the port drains) and need not be asked twice: further
    // signals just stay in the pipe.
    notifier_->setEnabled(false);
    emit stopRequested();
}
