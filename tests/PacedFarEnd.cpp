// SPDX-License-Identifier: MIT
#include "PacedFarEnd.h"

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

PacedFarEnd::PacedFarEnd(int masterFd, double bytesPerSecond)
    : master_(masterFd),
      byteTime_(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / bytesPerSecond)))
{
}

PacedFarEnd::~PacedFarEnd() { stop(); }

void PacedFarEnd::stallAt(Clock::duration after, std::size_t bytes, Clock::duration longest)
{
    stallAfter_ = after;
    stallBytes_ = bytes;
    stallLongest_ = longest;
}

void PacedFarEnd::start()
{
    stopping_ = false;
    reader_ = std::thread(&PacedFarEnd::run, this);
}

void PacedFarEnd::stop()
{
    stopping_ = true;
    if (reader_.joinable())
        reader_.join();
}

std::size_t PacedFarEnd::waiting() const
{
    int bytes = 0;
    return ::ioctl(master_, FIONREAD, &bytes) == 0 && bytes > 0 ? static_cast<std::size_t>(bytes) : 0;
}

// True when bytes came within a short while.
bool PacedFarEnd::waitForBytes()
{
    pollfd readable{master_, POLLIN, 0};
    return ::poll(&readable, 1, 1) > 0 && (readable.revents & POLLIN) != 0;
}

void PacedFarEnd::note(std::size_t backlog)
{
    backlog_ = backlog;
    ++samples_;  // after the backlog: a count seen grown tells of a backlog as fresh
}

void PacedFarEnd::run()
{
    const auto started = Clock::now();
    auto wireFreeAt = started;
    while (!stopping_) {
        if (!stallDone_ && Clock::now() - started >= stallAfter_) {
            for (const auto until = Clock::now() + stallLongest_; waiting() < stallBytes_ && Clock::now() < until;)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            wireFreeAt = Clock::now();
            stallDone_ = true;
        }
        if (waiting() == 0) {
            // An idle wire starts on bytes the moment they come, and they came after the line was
            // last seen empty: a reader woken late (a busy machine) must not count its lateness
            // as time the wire lost, or a backlog would seem to grow that the line never had.
            const auto seenEmpty = Clock::now();
            if (waitForBytes())
                wireFreeAt = std::max(wireFreeAt, seenEmpty);
            continue;
        }
        wireFreeAt += byteTime_;
        std::this_thread::sleep_until(wireFreeAt);
        char byte = 0;
        if (::read(master_, &byte, 1) != 1)
            continue;
        ++taken_;
        // A reader that woke late is still catching up with its wire: what waits then is partly
        // already due, so only bytes taken on time tell the backlog. The time is read after the
        // count, so a reader held up between the two (a busy machine) does not count.
        const std::size_t backlog = waiting();
        if (Clock::now() < wireFreeAt + byteTime_)
            note(backlog);
    }
}
