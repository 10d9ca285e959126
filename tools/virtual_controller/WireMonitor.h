// SPDX-License-Identifier: MIT
#pragma once

#include "FrameDecoder.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// What a servo controller at the far end of the line makes of the bytes that reach it: the
// command in force, the Save and Reset bursts, the rate of frames and any bytes that are not
// frames. It is fed bytes and the passing of time, and answers with log lines for each change,
// so it runs the same on a real line and in a test.
class WireMonitor {
public:
    using Time = std::chrono::milliseconds;  // since any fixed moment

    // A burst counts as ended once the line has been quiet this long.
    static constexpr Time QuietMoment{100};

    // Bytes that arrived at `now`.
    std::vector<std::string> take(const unsigned char* bytes, std::size_t count, Time now);
    // Time passes without bytes.
    std::vector<std::string> idle(Time now);
    // The panel opened the line, or let go of it.
    std::vector<std::string> panelConnected();
    std::vector<std::string> panelDisconnected();

    // One line with the state of things, for a status display.
    std::string statusLine(Time now) const;

    std::size_t framesSeen() const { return frames_; }
    std::size_t malformedBytes() const { return malformedBefore_ + decoder_.malformedBytes(); }

private:
    struct Burst {
        DecodedFrame frame;
        std::size_t count = 0;
    };

    void takeFrame(const DecodedFrame& frame, Time now, std::vector<std::string>& log);
    void noteMalformed();
    void endBurst(std::vector<std::string>& log);
    void reportMalformed(std::vector<std::string>& log);
    std::size_t framesInLastSecond(Time now) const;

    FrameDecoder decoder_;
    std::size_t malformedBefore_ = 0;   // counted by decoders replaced on a new connection
    std::size_t malformedSeen_ = 0;     // of the decoder's count, already taken into account
    std::size_t malformedPending_ = 0;  // not yet reported
    std::optional<DecodedFrame> current_;
    std::optional<Burst> burst_;
    std::deque<Time> recentFrames_;
    std::optional<Time> lastByte_;
    std::size_t frames_ = 0;
    bool connected_ = false;
};
