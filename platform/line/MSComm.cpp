// SPDX-License-Identifier: MIT
#include "MSComm.h"

#include "PortHolder.h"
#include "PortProblem.h"
#include "PortTable.h"

#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A start bit, eight data bits and a stop bit.
constexpr long BitsPerByte = 10;
constexpr std::chrono::nanoseconds NominalByteTime{1'000'000'000LL * BitsPerByte / MSComm::Baud};
// The OS is fed 1.15 % slower than 9600 baud: an adapter whose clock runs up to 1 % slow (a
// CH340's may), or a far end that once read late, then never gathers a backlog the panel cannot
// see. It costs that much of the frame rate and nothing else.
constexpr std::chrono::nanoseconds PacedByteTime = NominalByteTime * 10115 / 10000;
// How far ahead of the wire the OS is fed: a little, so the line never idles between wake-ups,
// and never more, so nothing queues up out of reach.
constexpr std::size_t OsHighWater = 8;
constexpr std::size_t OsLowWater = 3;

// A full buffer or a line that takes nothing fails after this long.
constexpr auto OutputBound = 2s;
// Closing sends out what was taken first, for at most this long.
constexpr auto DrainBound = 1s;
// While the OS refuses bytes, try again this often.
constexpr auto RefusedRetry = 5ms;

bool isCharacterDevice(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

}  // namespace

MSComm::MSComm(QObject* parent)
    : QObject(parent),
      port_(new QSerialPort(this)),
      feedTimer_(new QTimer(this)),
      pacer_(PacedByteTime)
{
    feedTimer_->setSingleShot(true);
    feedTimer_->setTimerType(Qt::PreciseTimer);
    connect(feedTimer_, &QTimer::timeout, this, &MSComm::feed);
    buffer_.reserve(OutputBufferSize);
}

MSComm::~MSComm()
{
    if (PortOpen())
        close();
}

bool MSComm::PortOpen() const { return port_->isOpen(); }

void MSComm::setPortOpen(bool open)
{
    if (open == PortOpen())
        return;
    if (open)
        this->open();
    else
        close();
}

void MSComm::setCommPort(std::int16_t number) { commPort_ = number; }

void MSComm::open()
{
    lostReason_.clear();
    const auto path = PortTable::devicePath(commPort_);
    if (!path)
        throw PortFailure(PortProblem::noSuchNumber(commPort_));
    if (!isCharacterDevice(*path))
        throw PortFailure(PortProblem::unusableNode(commPort_, *path));

    port_->setPortName(QString::fromStdString(*path));
    if (!port_->open(QIODevice::WriteOnly))
        throw PortFailure(PortProblem::refused(commPort_, *path, port_->error(), port_->errorString()));
    // Exclusive use keeps out programs that come later. One that already writes to the line
    // would mix its bytes into the frames: the port is left to it.
    if (const auto writer = PortHolder::usersOf(*path).writer) {
        port_->close();
        throw PortFailure(PortProblem::inUse(*path, writer));
    }
    const bool configured = port_->setBaudRate(Baud) && port_->setDataBits(QSerialPort::Data8)
        && port_->setParity(QSerialPort::NoParity) && port_->setStopBits(QSerialPort::OneStop)
        && port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const auto error = port_->error();
        const QString why = port_->errorString();
        port_->close();
        throw PortFailure(PortProblem::refused(commPort_, *path, error, why));
    }
    // What the OS still holds for the line from before (another program's bytes, or a stream
    // given up as stuck) is stale: it goes, so the first frame is the next thing on the wire.
    // Qt 6.8 discards it on open by itself, Qt 6.4 does not: this makes both alike.
    ::tcflush(port_->handle(), TCOFLUSH);
    device_ = *path;
    forgetOutput();
    lastProgress_ = Clock::now();
}

// Waits for the line to carry out what was taken, so no frame is cut short, and for the OS to
// have sent its part too, before the port's settings can change on close.
void MSComm::close()
{
    const auto deadline = Clock::now() + DrainBound;
    for (auto now = Clock::now(); PortOpen() && now < deadline; now = Clock::now()) {
        feed();
        if (buffer_.isEmpty() && heldByOs(now) == 0)
            break;
        const auto next = buffer_.isEmpty() ? osDrainedAt(now) : nextFeedTime(now);
        std::this_thread::sleep_until(std::min(next, deadline));
    }
    feedTimer_->stop();
    forgetOutput();
    port_->close();
}

// The line is gone (device removed, far end closed, nothing taken for too long): nothing taken
// can be sent any more, and what follows fails for `reason`.
void MSComm::lose(std::string reason)
{
    lostReason_ = std::move(reason);
    feedTimer_->stop();
    forgetOutput();
    port_->close();
}

// A port opened, closed or lost starts with nothing taken and a line that is free.
void MSComm::forgetOutput()
{
    buffer_.clear();
    pacer_.reset();
    askedIdleAt_.reset();
    osRefuses_ = false;
}

void MSComm::Output(std::string_view text)
{
    if (askedIdleAt_)
        lead_.wrote(*askedIdleAt_, Clock::now());
    askedIdleAt_.reset();
    while (!text.empty()) {
        if (!PortOpen())
            throw PortFailure(closedText());
        waitForRoom(std::min<std::size_t>(text.size(), OutputBufferSize));
        const std::size_t take = std::min(text.size(), room());
        if (buffer_.isEmpty())
            lastProgress_ = Clock::now();  // the stall clock starts with the first waiting byte
        buffer_.append(text.data(), static_cast<qsizetype>(take));
        text.remove_prefix(take);
        feed();
        if (!PortOpen())
            throw PortFailure(closedText());
    }
}

std::string MSComm::stuckText() const
{
    return PortProblem::stuck(device_, std::chrono::duration_cast<std::chrono::seconds>(OutputBound));
}

// Why nothing can be written: the loss that closed the port, or no port opened at all.
std::string MSComm::closedText() const { return lostReason_.empty() ? PortProblem::notOpen() : lostReason_; }

void MSComm::waitForRoom(std::size_t bytes)
{
    const auto deadline = Clock::now() + OutputBound;
    while (room() < bytes) {
        feed();
        if (!PortOpen())
            throw PortFailure(closedText());
        if (room() >= bytes)
            return;
        const auto now = Clock::now();
        if (now >= deadline)
            throw PortFailure(stuckText());
        std::this_thread::sleep_until(std::min(nextFeedTime(now), deadline));
    }
}

void MSComm::feed()
{
    if (!PortOpen() || buffer_.isEmpty())
        return;
    const auto now = Clock::now();
    const std::size_t held = heldByOs(now);
    if (held < OsHighWater) {
        const std::size_t size = std::min(OsHighWater - held, buffered());
        const long written = writeToOs(buffer_.constData(), size);
        if (written < 0)
            return lose(PortProblem::lost(device_));
        osRefuses_ = written == 0;
        if (written > 0) {
            pacer_.handed(static_cast<std::size_t>(written), now);
            buffer_.remove(0, written);
            lastProgress_ = now;
        }
    }
    if (!buffer_.isEmpty() && now - lastProgress_ > OutputBound)
        return lose(stuckText());  // the far end has stopped taking anything
    scheduleFeed(now);
}

MSComm::Clock::time_point MSComm::nextFeedTime(Clock::time_point now) const
{
    const std::size_t queued = queuedInOs();
    if (queued > pacer_.unsent(now))
        return now + pacer_.byteTime() * static_cast<long>(queued - std::min(queued, OsLowWater));
    if (pacer_.unsent(now) == 0)
        return now + RefusedRetry;  // the OS refused the last bytes outright
    return pacer_.whenUnsentAtMost(OsLowWater);
}

void MSComm::scheduleFeed(Clock::time_point now)
{
    if (buffer_.isEmpty()) {
        feedTimer_->stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextFeedTime(now) - now);
    feedTimer_->start(std::max(wait, 0ms));
}

std::size_t MSComm::pendingBytes() const
{
    return PortOpen() ? buffered() + heldByOs(Clock::now()) : 0;
}

MSComm::Clock::time_point MSComm::nextWriteTime() const
{
    const auto now = Clock::now();
    if (!PortOpen())
        return now;
    if (osRefuses_)
        return now + RefusedRetry;  // not before the OS takes bytes again, or the line is given up
    // The bytes still in the buffer follow whatever the OS holds; then the line falls idle.
    askedIdleAt_ = osDrainedAt(now) + pacer_.byteTime() * static_cast<long>(buffered());
    return std::max(*askedIdleAt_ - lead_.current(), now);
}

MSComm::Clock::time_point MSComm::osDrainedAt(Clock::time_point now) const
{
    return std::max(pacer_.whenUnsentAtMost(0), now + pacer_.byteTime() * static_cast<long>(queuedInOs()));
}

std::size_t MSComm::heldByOs(Clock::time_point now) const
{
    return std::max(pacer_.unsent(now), queuedInOs());
}

// What the OS itself reports as waiting in its output queue. UARTs and USB adapters report it
// (an adapter's own FIFO excepted), pseudo-terminals report nothing: it corrects the pacer's
// model upwards, never replaces it.
std::size_t MSComm::queuedInOs() const
{
    int queued = 0;
    if (::ioctl(port_->handle(), TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<std::size_t>(queued);
}

// Bytes the OS took, 0 when it refuses for now, -1 when the line is gone. Not QSerialPort::write:
// its buffer has no bound and hands everything to the kernel at once, where no change can overtake
// it, and its flush reports a full line as the same error as a removed device.
long MSComm::writeToOs(const char* data, std::size_t size)
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
