// SPDX-License-Identifier: MIT
#pragma once

#include "FrameAssembler.h"
#include "WireFrame.h"

#include <atomic>
#include <ctime>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// A 9600-baud line on a pseudo-terminal. The program under test writes to the slave; a thread
// of its own takes the bytes from the master no faster than the wire would carry them, 960 a
// second or a set share off that (an adapter whose clock drifts), and stamps each with the moment
// the wire finishes it. It can also stop taking bytes for a while, as a far end that reads late.
// What the wire has not taken yet stays in the kernel, so a writer that runs ahead meets the same
// hidden backlog as on a real port.
class LineSimulator {
public:
    using Clock = WireFrame::Clock;
    static constexpr auto NominalByteTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(1'000'000'000LL * 10 / 9600));

    // driftPercent: how much faster (above 0) or slower (below 0) than 9600 baud the wire runs.
    LineSimulator(std::size_t frameCapacity, double driftPercent);
    ~LineSimulator();
    LineSimulator(const LineSimulator&) = delete;
    LineSimulator& operator=(const LineSimulator&) = delete;

    std::string slavePath() const { return slavePath_; }

    Clock::duration byteTime() const { return byteTime_; }

    // Before start(): from `from` on, the wire takes nothing for `length`.
    void stallAt(Clock::time_point from, Clock::duration length);
    // When the stall really began and ended, once it has.
    Clock::time_point stallBegan() const { return stallBegan_; }
    Clock::time_point stallEnded() const { return stallEnded_; }
    bool stalled() const { return stallDone_.load(std::memory_order_acquire); }

    void start();
    void stop();

    // Frames completed so far; the first framesSeen() entries of frames() are final.
    std::size_t framesSeen() const { return seen_.load(std::memory_order_acquire); }
    const std::vector<WireFrame>& frames() const { return frames_; }
    // Frames that did not fit the room reserved at the start.
    std::size_t framesDropped() const { return dropped_.load(std::memory_order_relaxed); }
    std::size_t malformedBytes() const { return malformed_.load(std::memory_order_relaxed); }
    // Bytes written to the line that the wire has not taken yet.
    std::size_t bytesWaiting() const;
    // The reader thread's own CPU time, so it can be told apart from the panel's.
    Clock::duration readerCpuTime() const;
    // The latest the reader ever woke after a byte was due: how far its stamps may be off.
    Clock::duration latestWake() const { return Clock::duration(latestWake_.load(std::memory_order_relaxed)); }

private:
    void carry();
    Clock::time_point stallIfDue(Clock::time_point wireFreeAt);
    Clock::time_point waitForBytes(Clock::time_point wireFreeAt);
    Clock::time_point carryBatch(std::size_t count, Clock::time_point start);
    void record(const WireFrame& frame);

    Clock::duration byteTime_;
    Clock::time_point stallFrom_ = Clock::time_point::max();
    Clock::duration stallLength_{};
    Clock::time_point stallBegan_{};
    Clock::time_point stallEnded_{};
    std::atomic<bool> stallDone_{false};
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::thread reader_;
    clockid_t readerClock_{};
    bool readerClockValid_ = false;
    std::atomic<bool> stopping_{false};
    FrameAssembler assembler_;
    std::vector<WireFrame> frames_;
    std::atomic<std::size_t> seen_{0};
    std::atomic<std::size_t> dropped_{0};
    std::atomic<std::size_t> malformed_{0};
    std::atomic<Clock::rep> latestWake_{0};
};
