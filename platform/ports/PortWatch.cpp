// SPDX-License-Identifier: MIT
#include "PortWatch.h"

#include "DeviceEvents.h"
#include "PortScan.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <utility>

namespace {

// udev names a new adapter and sets its permissions a moment after the node appears, and one
// plug brings several events: one scan after they settle.
constexpr int DevicesSettleMs = 200;
constexpr int UseSettleMs = 100;
// What no event tells (a descriptor handed down to a child, a line that became a terminal
// session) is looked into this often. A look reads every descriptor of every process, some 80 ms
// of CPU on a desktop with 20,000 open files: once a minute keeps an open prompt well below half
// a percent of a core. Opens and closes of the ports offered are told at once.
constexpr int RecheckMs = 60000;

}  // namespace

PortWatch& PortWatch::shared()
{
    static PortWatch* watch = new PortWatch(QCoreApplication::instance());
    return *watch;
}

PortWatch::PortWatch(QObject* parent)
    : QObject(parent),
      thread_(new QThread(this)),
      worker_(std::make_unique<QObject>()),
      events_(new DeviceEvents(this)),
      devicesSettle_(new QTimer(this)),
      useSettle_(new QTimer(this)),
      recheck_(new QTimer(this))
{
    worker_->moveToThread(thread_);
    thread_->setObjectName("port scan");
    thread_->start(QThread::LowPriority);

    devicesSettle_->setSingleShot(true);
    devicesSettle_->setInterval(DevicesSettleMs);
    useSettle_->setSingleShot(true);
    useSettle_->setInterval(UseSettleMs);
    recheck_->setInterval(RecheckMs);
    connect(events_, &DeviceEvents::devicesChanged, devicesSettle_, qOverload<>(&QTimer::start));
    connect(events_, &DeviceEvents::portsUsed, useSettle_, qOverload<>(&QTimer::start));
    connect(devicesSettle_, &QTimer::timeout, this, [this] { request(Scan::Everything); });
    connect(useSettle_, &QTimer::timeout, this, [this] { request(Scan::Use); });
    connect(recheck_, &QTimer::timeout, this, [this] { request(Scan::Use); });
}

// A scan under way is waited for: it ends within its own few milliseconds.
PortWatch::~PortWatch()
{
    thread_->quit();
    thread_->wait();
}

void PortWatch::start()
{
    if (watchers_++ > 0)
        return;
    events_->start();
    recheck_->start();
    request(Scan::Everything);
}

void PortWatch::stop()
{
    if (watchers_ == 0 || --watchers_ > 0)
        return;
    events_->stop();
    devicesSettle_->stop();
    useSettle_->stop();
    recheck_->stop();
    next_.reset();
}

// One scan at a time: what is asked meanwhile runs after it, the larger of the requests once.
void PortWatch::request(Scan scan)
{
    if (scanning_) {
        next_ = next_ == Scan::Everything ? Scan::Everything : scan;
        return;
    }
    if (scan == Scan::Use && !current_)
        scan = Scan::Everything;
    scanning_ = true;
    auto known = scan == Scan::Use ? *current_ : std::vector<PortRecord>();
    QMetaObject::invokeMethod(worker_.get(), [this, scan, known = std::move(known)]() mutable {
        std::vector<PortRecord> records = std::move(known);
        if (scan == Scan::Everything)
            records = PortScan::present();
        else
            PortScan::lookIntoUse(records);
        QMetaObject::invokeMethod(this, [this, records = std::move(records)]() mutable { take(std::move(records)); },
                                  Qt::QueuedConnection);
    });
}

void PortWatch::take(std::vector<PortRecord> records)
{
    scanning_ = false;
    std::vector<std::string> devices;
    for (const PortRecord& record : records)
        devices.push_back(record.device);
    events_->watchPorts(devices);
    current_ = std::move(records);
    emit changed(*current_);
    runNext();
}

void PortWatch::runNext()
{
    if (!next_ || watchers_ == 0)
        return;
    const Scan scan = *next_;
    next_.reset();
    request(scan);
}
