// SPDX-License-Identifier: MIT
#include "LineSimulator.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The reader takes at most this many bytes per wake-up: a little over one frame, so that it
// wakes a couple of hundred times a second rather than once a byte.
constexpr std::size_t MaxBatch = 8;
// How long an idle reader waits before it looks at the stop flag again.
constexpr int IdlePollMs = 20;
// How long an idle wire watches for bytes before it sleeps. A wire starts on a byte the moment it
// arrives, whenever its reader would have woken: a reader that slept could wake milliseconds late
// (this machine's timer now and then does) and would then count its own lateness as a backlog.
constexpr auto WatchBeforeSleep = std::chrono::milliseconds(1);

}  // namespace

LineSimulator::LineSimulator(std::size_t frameCapacity, double driftPercent)
    : byteTime_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double, Clock::period>(NominalByteTime) / (1.0 + driftPercent / 100.0))),
      // Filled in now, so that recording never allocates and never shows up as memory growth.
      frames_(frameCapacity)
{
    char name[128] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    slavePath_ = name;
    termios raw{};
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
}

LineSimulator::~LineSimulator()
{
    stop();
    ::close(master_);
    ::close(slave_);
}

void LineSimulator::stallAt(Clock::time_point from, Clock::duration length)
{
    stallFrom_ = from;
    stallLength_ = length;
}

void LineSimulator::start()
{
    stopping_ = false;
    reader_ = std::thread(&LineSimulator::carry, this);
    readerClockValid_ = ::pthread_getcpuclockid(reader_.native_handle(), &readerClock_) == 0;
}

void LineSimulator::stop()
{
    stopping_ = true;
    if (reader_.joinable())
        reader_.join();
}

std::size_t LineSimulator::bytesWaiting() const
{
    int waiting = 0;
    if (::ioctl(master_, FIONREAD, &waiting) != 0 || waiting < 0)
        return 0;
    return static_cast<std::size_t>(waiting);
}

LineSimulator::Clock::duration LineSimulator::readerCpuTime() const
{
    timespec used{};
    if (!reader_.joinable() || !readerClockValid_ || ::clock_gettime(readerClock_, &used) != 0)
        return {};
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

void LineSimulator::carry()
{
    auto wireFreeAt = Clock::time_point{};
    while (!stopping_.load(std::memory_order_relaxed)) {
        wireFreeAt = stallIfDue(wireFreeAt);
        const std::size_t waiting = bytesWaiting();
        if (waiting == 0) {
            wireFreeAt = waitForBytes(wireFreeAt);
            continue;
        }
        // Bytes already waiting when the wire came free go out right behind the previous one.
        wireFreeAt = carryBatch(std::min(waiting, MaxBatch), wireFreeAt);
    }
}

// The far end stops reading; whatever waits when it reads again goes out from then on.
LineSimulator::Clock::time_point LineSimulator::stallIfDue(Clock::time_point wireFreeAt)
{
    if (stallDone_.load(std::memory_order_relaxed) || Clock::now() < stallFrom_)
        return wireFreeAt;
    stallBegan_ = std::max(Clock::now(), wireFreeAt);
    std::this_thread::sleep_until(stallBegan_ + stallLength_);
    stallEnded_ = Clock::now();
    stallDone_.store(true, std::memory_order_release);
    return stallEnded_;
}

// An idle wire starts on a byte the moment it arrives.
LineSimulator::Clock::time_point LineSimulator::waitForBytes(Clock::time_point wireFreeAt)
{
    for (const auto until = Clock::now() + WatchBeforeSleep; Clock::now() < until;)
        if (bytesWaiting() > 0)
            return std::max(wireFreeAt, Clock::now());
    pollfd readable{master_, POLLIN, 0};
    if (::poll(&readable, 1, IdlePollMs) > 0 && (readable.revents & POLLIN) != 0)
        return std::max(wireFreeAt, Clock::now());
    return wireFreeAt;
}

LineSimulator::Clock::time_point LineSimulator::carryBatch(std::size_t count, Clock::time_point start)
{
    const auto done = start + byteTime_ * static_cast<long>(count);
    std::this_thread::sleep_until(done);
    const auto late = (Clock::now() - done).count();
    if (late > latestWake_.load(std::memory_order_relaxed))
        latestWake_.store(late, std::memory_order_relaxed);

    std::array<unsigned char, MaxBatch> bytes{};
    ssize_t got = -1;
    do
        got = ::read(master_, bytes.data(), count);
    while (got < 0 && errno == EINTR);
    for (ssize_t at = 0; at < got; ++at)
        if (const auto frame = assembler_.take(bytes[static_cast<std::size_t>(at)],
                                               start + byteTime_ * static_cast<long>(at + 1)))
            record(*frame);
    malformed_.store(assembler_.malformedBytes(), std::memory_order_relaxed);
    return got > 0 ? start + byteTime_ * static_cast<long>(got) : start;
}

void LineSimulator::record(const WireFrame& frame)
{
    const std::size_t at = seen_.load(std::memory_order_relaxed);
    if (at >= frames_.size()) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    frames_[at] = frame;
    seen_.store(at + 1, std::memory_order_release);
}
