// SPDX-License-Identifier: MIT
#include "MSComm.h"

#include "PortProblem.h"

#include <QTimer>

#include <algorithm>
#include <thread>
#include <utility>

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

}  // namespace

MSComm::MSComm(QObject* parent)
    : QObject(parent),
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

bool MSComm::PortOpen() const { return line_.isOpen(); }

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
    lost_.reset();
    line_.open(commPort_, Baud);
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
    // What did not leave in time is dropped rather than left to the system, whose close would
    // wait for it (up to 30 s on Linux) with the window frozen.
    if (PortOpen() && (!buffer_.isEmpty() || queuedInOs() > 0))
        line_.discard();
    feedTimer_->stop();
    forgetOutput();
    line_.close();
}

// The line is gone (device removed, far end closed, nothing taken for too long): nothing taken
// can be sent any more, and what follows fails for `reason`.
void MSComm::lose(PortFault::Kind why)
{
    lost_ = fault(why);
    feedTimer_->stop();
    forgetOutput();
    line_.discard();  // what the line holds can never leave: the close must not wait for it
    line_.close();
}

// A port opened, closed or lost starts with nothing taken and a line that is free.
void MSComm::forgetOutput()
{
    buffer_.clear();
    pacer_.reset();
    askedIdleAt_.reset();
    osRefuses_ = false;
    osAtMost_ = 0;
}

void MSComm::Output(std::string_view text)
{
    if (askedIdleAt_)
        lead_.wrote(*askedIdleAt_, Clock::now());
    askedIdleAt_.reset();
    while (!text.empty()) {
        if (!PortOpen())
            throw closedFailure();
        waitForRoom(std::min<std::size_t>(text.size(), OutputBufferSize));
        const std::size_t take = std::min(text.size(), room());
        if (buffer_.isEmpty())
            lastProgress_ = Clock::now();  // the stall clock starts with the first waiting byte
        buffer_.append(text.data(), static_cast<qsizetype>(take));
        text.remove_prefix(take);
        feed();
        if (!PortOpen())
            throw closedFailure();
    }
}

// A fault of the line opened last.
PortFault MSComm::fault(PortFault::Kind kind) const
{
    PortFault fault = PortFault::of(kind, 0, line_.device());
    fault.bound = std::chrono::duration_cast<std::chrono::seconds>(OutputBound);
    return fault;
}

// Why nothing can be written: the loss that closed the port, or no port opened at all.
PortFailure MSComm::closedFailure() const
{
    if (lost_)
        return PortProblem::failure(*lost_);
    return PortProblem::failure(PortFault::of(PortFault::Kind::NotOpen));
}

void MSComm::waitForRoom(std::size_t bytes)
{
    const auto deadline = Clock::now() + OutputBound;
    while (room() < bytes) {
        feed();
        if (!PortOpen())
            throw closedFailure();
        if (room() >= bytes)
            return;
        const auto now = Clock::now();
        if (now >= deadline)
            throw PortProblem::failure(fault(PortFault::Kind::Stuck));
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
        const long written = line_.write(buffer_.constData(), size);
        if (written < 0)
            return lose(PortFault::Kind::Lost);
        osRefuses_ = written == 0;
        if (written > 0) {
            pacer_.handed(static_cast<std::size_t>(written), now);
            osAtMost_ += static_cast<std::size_t>(written);
            buffer_.remove(0, written);
            lastProgress_ = now;
        }
    }
    if (!buffer_.isEmpty() && now - lastProgress_ > OutputBound)
        return lose(PortFault::Kind::Stuck);  // the far end has stopped taking anything
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

// The OS's own count corrects the pacer's model upwards, never replaces it: not every line
// reports one. Nor is every count true: cdc_acm and rfcomm count a whole buffer (1280 bytes on a
// full-speed board) for each write still in flight, so it is believed only as far as it can be.
std::size_t MSComm::queuedInOs() const
{
    osAtMost_ = std::min(osAtMost_, line_.queued());
    return osAtMost_;
}
