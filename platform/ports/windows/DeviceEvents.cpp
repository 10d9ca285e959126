// SPDX-License-Identifier: MIT
#include "DeviceEvents.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>
#include <dbt.h>

// Only looks at the messages: every window still gets them.
class DeviceEvents::Source : public QAbstractNativeEventFilter {
public:
    explicit Source(DeviceEvents* owner) : owner_(owner) { QCoreApplication::instance()->installNativeEventFilter(this); }
    ~Source() override
    {
        if (auto* application = QCoreApplication::instance())
            application->removeNativeEventFilter(this);
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const auto* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_DEVICECHANGE
            && (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE
                || msg->wParam == DBT_DEVNODES_CHANGED))
            emit owner_->devicesChanged();
        return false;
    }

private:
    DeviceEvents* owner_;
};

DeviceEvents::DeviceEvents(QObject* parent) : QObject(parent) {}

DeviceEvents::~DeviceEvents() = default;

void DeviceEvents::start()
{
    if (!watching())
        source_ = std::make_unique<Source>(this);
}

void DeviceEvents::stop() { source_.reset(); }

// Windows tells nothing of a COM port being opened: an open finds out.
void DeviceEvents::watchPorts(const std::vector<std::string>&) {}
