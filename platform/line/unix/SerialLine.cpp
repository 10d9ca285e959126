// SPDX-License-Identifier: MIT
#include "SerialLine.h"

#include "BoundedClose.h"
#include "OpenRefusal.h"
#include "PortHolderLinux.h"
#include "PortProblem.h"
#include "PortTableLinux.h"
#include "UucpLock.h"

#include <cerrno>
#include <mutex>
#include <set>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

// The tty is opened and set up here rather than through Qt SerialPort: Qt folds "permission
// denied" and "in use" into one error and keeps no errno, where the cause is the user's answer.
namespace {

// The devices this process has open: the kernel lets root open a line in exclusive use, so a
// second line of this program on the same device is kept out here.
class OpenHere {
public:
    bool take(const std::string& device)
    {
        const std::lock_guard lock(mutex_);
        return devices_.insert(device).second;
    }
    void give(const std::string& device)
    {
        const std::lock_guard lock(mutex_);
        devices_.erase(device);
    }

private:
    std::mutex mutex_;
    std::set<std::string> devices_;
};

OpenHere& openHere()
{
    static OpenHere devices;
    return devices;
}

speed_t speedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

}  // namespace

// The open tty, claimed in this process; closing restores the settings it was found with.
class SerialLine::Port {
public:
    Port(int fd, std::string device) : fd(fd), device(std::move(device)) {}
    ~Port()
    {
        if (settingsRead)
            ::tcsetattr(fd, TCSANOW, &original);  // as it was before: nothing to do if it fails
        ::ioctl(fd, TIOCNXCL);
        // The drain before has seen what was to leave go, or given it up: what the kernel still
        // waits for then is a stuck line's, and the window's thread waits for no line.
        closeWithin(fd, std::chrono::milliseconds(100));
        openHere().give(device);
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    const int fd;
    const std::string device;
    termios original{};
    bool settingsRead = false;
    UucpLock lock;  // given up once the device is closed
};

SerialLine::SerialLine() = default;

SerialLine::~SerialLine() = default;

bool SerialLine::isOpen() const { return port_ != nullptr; }

void SerialLine::open(std::int16_t number, int baud)
{
    const auto path = PortTable::devicePath(number);
    if (!path)
        throw PortProblem::failure(PortFault::of(PortFault::Kind::NoSuchNumber, number));
    const auto refused = [&](int error) { return PortProblem::failure(OpenRefusal::faultOf(error, number, *path)); };
    struct stat node {};
    if (::stat(path->c_str(), &node) != 0)
        throw refused(errno);
    if (!S_ISCHR(node.st_mode))
        throw refused(ENOTTY);
    if (!openHere().take(*path))
        throw refused(EBUSY);
    // Another program's lock keeps the panel out, before its open would reset a board on DTR;
    // the panel's own keeps out programs that honour locks, root's too, whom exclusive use lets
    // in. A pseudo-terminal belongs to one pair of programs and its name is reused at once: no
    // lock.
    const bool virtualLine = PortTable::numberOfPseudoTerminal(*path).has_value();
    UucpLock lock = virtualLine ? UucpLock() : UucpLock(*path);
    if (lock.holder()) {
        openHere().give(*path);
        PortFault fault = PortFault::of(PortFault::Kind::InUse, number, *path);
        fault.holder = lock.holder();
        throw PortProblem::failure(fault);
    }

    const int fd = ::open(path->c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        openHere().give(*path);
        throw refused(error);
    }
    auto port = std::make_unique<Port>(fd, *path);
    port->lock = std::move(lock);
    if (::tcgetattr(fd, &port->original) != 0)
        throw refused(errno);
    port->settingsRead = true;
    // Exclusive use keeps out programs that come later. One that already writes to the line
    // would mix its bytes into the frames: the port is left to it.
    if (::ioctl(fd, TIOCEXCL) != 0)
        throw refused(errno);
    if (const auto writer = PortHolder::usersOf(*path).writer) {
        PortFault fault = PortFault::of(PortFault::Kind::InUse, number, *path);
        fault.holder = writer;
        throw PortProblem::failure(fault);
    }
    // A terminal session's line is written to by its programs: a login console's getty runs as
    // root, where its descriptors cannot be seen, and a member of the tty group may open it.
    if (const auto session = PortHolder::sessionOn(*path)) {
        PortFault fault = PortFault::of(virtualLine ? PortFault::Kind::InUse : PortFault::Kind::LoginConsole, number, *path);
        fault.holder = session;
        throw PortProblem::failure(fault);
    }
    // 8N1 at `baud`, raw: bytes go out as they are, with no flow control and the modem lines
    // ignored. The receiver stays as it was: nothing is read.
    termios settings = port->original;
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    const speed_t speed = speedOf(baud);
    if (speed == B0 || ::cfsetospeed(&settings, speed) != 0 || ::cfsetispeed(&settings, speed) != 0)
        throw refused(EINVAL);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0)
        throw refused(errno);
    // tcsetattr succeeds when the driver took any of the settings: what it set is read back.
    termios taken{};
    if (::tcgetattr(fd, &taken) != 0)
        throw refused(errno);
    if (::cfgetospeed(&taken) != speed || (taken.c_cflag & CSIZE) != CS8
        || (taken.c_cflag & (PARENB | CSTOPB | CRTSCTS)) != 0 || (taken.c_iflag & (IXON | IXOFF)) != 0
        || (taken.c_oflag & OPOST) != 0)
        throw PortProblem::failure(PortFault::of(PortFault::Kind::SettingsNotTaken, number, *path));
    // What the OS still holds for the line from before (another program's bytes, or a stream
    // given up as stuck) is stale: it goes, so the first frame is the next thing on the wire.
    if (::tcflush(fd, TCOFLUSH) != 0)
        throw refused(errno);
    port_ = std::move(port);
    device_ = *path;
}

void SerialLine::close() { port_.reset(); }

// The kernel's last close waits up to closing_wait (30 s by default) for output to leave,
// whatever O_NONBLOCK says; what is flushed first is not waited for. A flush that fails leaves
// nothing to do but close.
void SerialLine::discard()
{
    if (port_)
        ::tcflush(port_->fd, TCOFLUSH);
}

// UARTs and USB adapters report their queue (an adapter's own FIFO excepted), pseudo-terminals
// report nothing.
std::size_t SerialLine::queued() const
{
    int queued = 0;
    if (!port_ || ::ioctl(port_->fd, TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<std::size_t>(queued);
}

// Never blocks: the descriptor is non-blocking, and a full line takes nothing for now.
long SerialLine::write(const char* data, std::size_t size)
{
    if (!port_)
        return -1;
    for (;;) {
        const ssize_t written = ::write(port_->fd, data, size);
        if (written >= 0)
            return written;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}
