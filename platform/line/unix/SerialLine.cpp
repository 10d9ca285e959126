// SPDX-License-Identifier: MIT
#include "SerialLine.h"

#include "OpenRefusal.h"
#include "PortHolder.h"
#include "PortProblem.h"
#include "PortTable.h"
#include "SerialControl.h"

#include <QSerialPort>

#include <cerrno>
#include <cstring>

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool isCharacterDevice(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

}  // namespace

class SerialLine::Port : public QSerialPort {};

SerialLine::SerialLine() : port_(std::make_unique<Port>()) {}

SerialLine::~SerialLine() = default;

bool SerialLine::isOpen() const { return port_->isOpen(); }

void SerialLine::open(std::int16_t number, int baud)
{
    const auto path = PortTable::devicePath(number);
    if (!path)
        throw PortFailure(PortProblem::noSuchNumber(number));
    if (!isCharacterDevice(*path))
        throw PortFailure(OpenRefusal::unusableNode(number, *path));

    port_->setPortName(QString::fromStdString(*path));
    if (!port_->open(QIODevice::WriteOnly))
        throw PortFailure(OpenRefusal::refused(number, *path, port_->error(), port_->errorString()));
    // Exclusive use keeps out programs that come later. One that already writes to the line
    // would mix its bytes into the frames: the port is left to it.
    if (const auto writer = PortHolder::usersOf(*path).writer) {
        port_->close();
        throw PortFailure(PortProblem::inUse(*path, writer));
    }
    const bool configured = port_->setBaudRate(baud) && port_->setDataBits(QSerialPort::Data8)
        && port_->setParity(QSerialPort::NoParity) && port_->setStopBits(QSerialPort::OneStop)
        && port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const auto error = port_->error();
        const QString why = port_->errorString();
        port_->close();
        throw PortFailure(OpenRefusal::refused(number, *path, error, why));
    }
    // What the OS still holds for the line from before (another program's bytes, or a stream
    // given up as stuck) is stale: it goes, so the first frame is the next thing on the wire.
    // Qt 6.8 discards it on open by itself, Qt 6.4 does not: this makes both alike.
    if (::tcflush(port_->handle(), TCOFLUSH) != 0) {
        const int error = errno;
        port_->close();
        throw PortFailure(PortProblem::systemError(*path, std::strerror(error)));
    }
    device_ = *path;
}

void SerialLine::close() { port_->close(); }

// UARTs and USB adapters report their queue (an adapter's own FIFO excepted), pseudo-terminals
// report nothing.
std::size_t SerialLine::queued() const
{
    int queued = 0;
    if (::ioctl(port_->handle(), TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<std::size_t>(queued);
}

// Not QSerialPort::write: its buffer has no bound and hands everything to the kernel at once,
// where no change can overtake it, and its flush reports a full line as the same error as a
// removed device.
long SerialLine::write(const char* data, std::size_t size)
{
    for (;;) {
        const ssize_t written = ::write(port_->handle(), data, size);
        if (written >= 0)
            return written;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}
