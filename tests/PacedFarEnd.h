// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <thread>

// The far end of a line as a wire with its own clock: a thread takes the bytes from a pty master
// one at a time, each when a wire of the given rate would have finished it, and can stop taking
// for a while. After each byte it takes on time it notes what still waits unread in the kernel:
// the backlog the writer cannot see.
class PacedFarEnd {
public:
    using Clock = std::chrono::steady_clock;

    PacedFarEnd(int masterFd, double bytesPerSecond);
    ~PacedFarEnd();
    PacedFarEnd(const PacedFarEnd&) = delete;
    PacedFarEnd& operator=(const PacedFarEnd&) = delete;

    // Before start(): the far end stops reading `after` its start, until `bytes` wait unread
    // (however slowly a busy machine lets the writer fill the line), for at most `longest`.
    void stallAt(Clock::duration after, std::size_t bytes, Clock::duration longest);
    void start();
    void stop();

    std::size_t bytesTaken() const { return taken_.load(); }
    bool stalled() const { return stallDone_.load(); }
    // The backlog after the latest byte taken on time, and how many were: how often it was measured.
    std::size_t backlog() const { return backlog_.load(); }
    std::size_t samples() const { return samples_.load(); }

private:
    void run();
    std::size_t waiting() const;
    bool waitForBytes();
    void note(std::size_t backlog);

    int master_;
    Clock::duration byteTime_;
    Clock::duration stallAfter_ = Clock::duration::max();
    std::size_t stallBytes_ = 0;
    Clock::duration stallLongest_{};
    std::thread reader_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> stallDone_{false};
    std::atomic<std::size_t> taken_{0};
    std::atomic<std::size_t> backlog_{0};
    std::atomic<std::size_t> samples_{0};
};
