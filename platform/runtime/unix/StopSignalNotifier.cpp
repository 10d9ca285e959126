// SPDX-License-Identifier: MIT
#include "StopSignalNotifier.h"

#include "StopSignals.h"

#include <QSocketNotifier>

class StopSignalNotifier::Source {
public:
    explicit Source(StopSignalNotifier* owner)
        : notifier_(new QSocketNotifier(signals_.fd(), QSocketNotifier::Read, owner))
    {
        QObject::connect(notifier_, &QSocketNotifier::activated, owner, [this, owner] {
            // The answer to a stop takes its time (the port drains) and need not be asked twice:
            // further signals just stay in the pipe.
            notifier_->setEnabled(false);
            emit owner->stopRequested();
        });
    }

private:
    StopSignals signals_;  // before the notifier, which watches its pipe
    QSocketNotifier* notifier_;  // owned by the notifier object
};

StopSignalNotifier::StopSignalNotifier(QObject* parent) : QObject(parent), source_(std::make_unique<Source>(this)) {}

StopSignalNotifier::~StopSignalNotifier() = default;
