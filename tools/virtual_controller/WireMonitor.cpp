// SPDX-License-Identifier: MIT
#include "WireMonitor.h"

#include "CellNames.h"

namespace {

constexpr WireMonitor::Time RateWindow{1000};

std::string describe(const DecodedFrame& frame)
{
    return "value " + std::to_string(frame.value) + " (" + CellNames::frameHex(frame) + ")";
}

}  // namespace

std::vector<std::string> WireMonitor::take(const unsigned char* bytes, std::size_t count, Time now)
{
    std::vector<std::string> log = idle(now);
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<DecodedFrame> frame = decoder_.take(bytes[i]);
        noteMalformed();
        if (frame)
            takeFrame(*frame, now, log);
    }
    if (count > 0)
        lastByte_ = now;
    return log;
}

std::vector<std::string> WireMonitor::idle(Time now)
{
    std::vector<std::string> log;
    if (lastByte_ && now - *lastByte_ >= QuietMoment) {
        endBurst(log);
        reportMalformed(log);
    }
    return log;
}

std::vector<std::string> WireMonitor::panelConnected()
{
    connected_ = true;
    return {"panel connected"};
}

std::vector<std::string> WireMonitor::panelDisconnected()
{
    std::vector<std::string> log;
    endBurst(log);
    // A frame begun when the panel let go will never be finished.
    const std::size_t cutShort = decoder_.bytesInFrame();
    malformedPending_ += cutShort;
    reportMalformed(log);
    malformedBefore_ += decoder_.malformedBytes() + cutShort;
    decoder_ = FrameDecoder{};
    malformedSeen_ = 0;
    current_.reset();
    recentFrames_.clear();
    lastByte_.reset();
    connected_ = false;
    log.push_back("panel disconnected");
    return log;
}

void WireMonitor::takeFrame(const DecodedFrame& frame, Time now, std::vector<std::string>& log)
{
    // Garbage between two frames ends a burst: the frames around it were not consecutive.
    if (malformedPending_ > 0) {
        endBurst(log);
        reportMalformed(log);
    }
    ++frames_;
    recentFrames_.push_back(now);
    while (now - recentFrames_.front() >= RateWindow)
        recentFrames_.pop_front();

    if (burst_ && !(burst_->frame == frame))
        endBurst(log);
    if (CellNames::isBurstCommand(frame.command)) {
        if (!burst_)
            burst_ = Burst{frame, 0};
        ++burst_->count;
    } else if (!current_ || !(*current_ == frame)) {
        log.push_back("command " + CellNames::commandName(frame.command) + ", " + describe(frame));
    }
    current_ = frame;
}

void WireMonitor::noteMalformed()
{
    const std::size_t counted = decoder_.malformedBytes();
    malformedPending_ += counted - malformedSeen_;
    malformedSeen_ = counted;
}

void WireMonitor::endBurst(std::vector<std::string>& log)
{
    if (!burst_)
        return;
    log.push_back(CellNames::commandName(burst_->frame.command) + " burst of " + std::to_string(burst_->count) +
                  " frames, " + describe(burst_->frame));
    burst_.reset();
}

void WireMonitor::reportMalformed(std::vector<std::string>& log)
{
    if (malformedPending_ == 0)
        return;
    log.push_back("warning: " + std::to_string(malformedPending_) + " bytes skipped, not well-formed frames");
    malformedPending_ = 0;
}

std::size_t WireMonitor::framesInLastSecond(Time now) const
{
    std::size_t count = 0;
    for (const Time arrived : recentFrames_)
        if (now - arrived < RateWindow)
            ++count;
    return count;
}

std::string WireMonitor::statusLine(Time now) const
{
    std::string line;
    if (current_) {
        line = CellNames::commandName(current_->command) + " " + std::to_string(current_->value) + " | " +
               CellNames::frameHex(*current_);
        if (burst_)
            line += " | burst " + std::to_string(burst_->count);
    } else {
        line = "no frame yet";
    }
    line += " | " + std::to_string(framesInLastSecond(now)) + " frames/s | " + std::to_string(frames_) +
            " frames | " + std::to_string(malformedBytes()) + " bad bytes | ";
    line += connected_ ? "panel connected" : "waiting for the panel";
    return line;
}
