// SPDX-License-Identifier: MIT
#include "StopSignalNotifier.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

// Windows ends the program once WM_ENDSESSION is answered, so the request is signalled inside
// that message, and whatever answers it is done before the answer goes back.
class StopSignalNotifier::Source : public QAbstractNativeEventFilter {
public:
    explicit Source(StopSignalNotifier* owner) : owner_(owner)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~Source() override
    {
        if (auto* application = QCoreApplication::instance())
            application->removeNativeEventFilter(this);
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    // WM_QUERYENDSESSION is answered yes: the panel has nothing to save, and its stream is ended
    // well in WM_ENDSESSION. Only a session that does end (wParam true) stops the program.
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const auto* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_QUERYENDSESSION) {
            *result = TRUE;
            return true;
        }
        if (msg->message == WM_ENDSESSION && msg->wParam && !stopped_) {
            stopped_ = true;
            emit owner_->stopRequested();
            *result = 0;
            return true;
        }
        return false;
    }

private:
    StopSignalNotifier* owner_;
    bool stopped_ = false;
};

StopSignalNotifier::StopSignalNotifier(QObject* parent) : QObject(parent), source_(std::make_unique<Source>(this)) {}

StopSignalNotifier::~StopSignalNotifier() = default;
