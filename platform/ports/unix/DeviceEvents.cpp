// SPDX-License-Identifier: MIT
#include "DeviceEvents.h"

#include "PortTableLinux.h"

#include <QSocketNotifier>

#include <array>
#include <map>
#include <memory>
#include <string_view>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t DirectoryEvents = IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t PortEvents = IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE;

// The device directory holds much besides serial ports (disks, sound, input): only names that can
// be a serial port, and every entry of the pts directory but its multiplexer, are worth a scan.
bool maySerial(const std::string& directory, std::string_view name)
{
    if (directory.size() >= 4 && directory.compare(directory.size() - 4, 4, "/pts") == 0)
        return name != "ptmx";
    return name.substr(0, 3) == "tty" || name.substr(0, 6) == "rfcomm";
}

}  // namespace

class DeviceEvents::Source {
public:
    // Watches the device directories; null where inotify is not to be had.
    static std::unique_ptr<Source> open(DeviceEvents* owner)
    {
        const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        return fd < 0 ? nullptr : std::unique_ptr<Source>(new Source(owner, fd));
    }
    ~Source()
    {
        notifier_.reset();  // before the descriptor it watches goes
        ::close(fd_);
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;

    void watchPorts(const std::vector<std::string>& devices)
    {
        for (const auto& [watch, device] : ports_)
            ::inotify_rm_watch(fd_, watch);
        ports_.clear();
        for (const std::string& device : devices) {
            const int watch = ::inotify_add_watch(fd_, device.c_str(), PortEvents);
            if (watch >= 0)
                ports_.emplace(watch, device);
        }
    }

private:
    Source(DeviceEvents* owner, int fd)
        : fd_(fd), notifier_(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read))
    {
        for (const std::string& directory : {PortTable::deviceRoot(), PortTable::deviceRoot() + "/pts"}) {
            const int watch = ::inotify_add_watch(fd_, directory.c_str(), DirectoryEvents | IN_ONLYDIR);
            if (watch >= 0)
                directories_.emplace(watch, directory);
        }
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, owner, [this, owner] { readEvents(*owner); });
    }

    void readEvents(DeviceEvents& owner)
    {
        bool devices = false, used = false;
        alignas(inotify_event) std::array<char, 4096> buffer;
        for (ssize_t size; (size = ::read(fd_, buffer.data(), buffer.size())) > 0;) {
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->mask & IN_Q_OVERFLOW) {
                    devices = true;
                } else if (const auto directory = directories_.find(event->wd); directory != directories_.end()) {
                    devices = devices || (event->len > 0 && maySerial(directory->second, event->name));
                } else if (ports_.count(event->wd) != 0) {
                    used = used || (event->mask & PortEvents) != 0;
                }
            }
        }
        if (devices)
            emit owner.devicesChanged();
        else if (used)
            emit owner.portsUsed();  // a scan of the devices looks into their use as well
    }

    const int fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::map<int, std::string> directories_;  // watch -> directory
    std::map<int, std::string> ports_;        // watch -> device
};

DeviceEvents::DeviceEvents(QObject* parent) : QObject(parent) {}

DeviceEvents::~DeviceEvents() = default;

void DeviceEvents::start()
{
    if (!watching())
        source_ = Source::open(this);
}

void DeviceEvents::stop() { source_.reset(); }

void DeviceEvents::watchPorts(const std::vector<std::string>& devices)
{
    if (watching())
        source_->watchPorts(devices);
}
