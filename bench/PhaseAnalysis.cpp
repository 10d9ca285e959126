// SPDX-License-Identifier: MIT
#include "PhaseFigures.h"

#include "BenchPhase.h"
#include "ChangeDriver.h"
#include "LineSimulator.h"
#include "RunLoop.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace {

using Clock = PhaseLog::Clock;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

bool isStreamFrame(const WireFrame& frame) { return frame.command >= 'A' && frame.command <= 'P'; }

void measureRate(std::span<const WireFrame> frames, const PhaseLog& log, PhaseFigures& figures)
{
    const WireFrame* first = nullptr;
    const WireFrame* last = nullptr;
    std::size_t count = 0;
    for (const WireFrame& frame : frames) {
        if (!isStreamFrame(frame) || frame.lastByteDone < log.streamStart.wall || frame.lastByteDone > log.saveClicked)
            continue;
        if (!first)
            first = &frame;
        last = &frame;
        ++count;
    }
    figures.streamFrames = count;
    if (count < 2)
        return;
    figures.streamSeconds = msBetween(first->lastByteDone, last->lastByteDone) / 1000.0;
    figures.framesPerSecond = static_cast<double>(count - 1) / figures.streamSeconds;
}

bool carries(const WireFrame& frame, const ChangeDriver::Change& change)
{
    return frame.command == change.command && frame.value == change.value;
}

struct Carrier {
    std::size_t frame = 0;
    bool superseded = false;
};

// The first frame, from `from` on, that started after the change and carries it, or carries a
// later change already made by the time the frame started: a change overtaken before its frame
// was written reached the wire with the one that overtook it. Changes never repeat a recent
// state, so no older frame can pass for either.
std::optional<Carrier> carrierOf(const ChangeDriver& driver, std::size_t index, std::span<const WireFrame> frames,
                                 std::size_t from)
{
    const ChangeDriver::Change& change = driver.change(index);
    for (std::size_t at = from; at < frames.size(); ++at) {
        const WireFrame& frame = frames[at];
        if (frame.firstByteDone <= change.at)
            continue;
        if (carries(frame, change))
            return Carrier{at, false};
        for (std::size_t later = index + 1;
             later < driver.changeCount() && driver.change(later).at < frame.firstByteDone; ++later)
            if (carries(frame, driver.change(later)))
                return Carrier{at, true};
    }
    return std::nullopt;
}

double percentile(const std::vector<double>& sorted, double share)
{
    const auto rank = static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

void measureLatency(std::span<const WireFrame> frames, const ChangeDriver& driver, const PhaseLog& log,
                    PhaseFigures& figures)
{
    std::vector<double> latencies;
    std::size_t from = 0;
    for (std::size_t index = 0; index < driver.changeCount(); ++index) {
        const ChangeDriver::Change& change = driver.change(index);
        if (const auto carrier = carrierOf(driver, index, frames, from)) {
            latencies.push_back(msBetween(change.at, frames[carrier->frame].firstByteDone));
            ++figures.changesCarried;
            figures.changesSuperseded += carrier->superseded ? 1 : 0;
            from = carrier->frame;
        } else {
            latencies.push_back(msBetween(change.at, log.watchedUntil));
        }
    }
    figures.changes = latencies.size();
    if (latencies.empty())
        return;
    std::sort(latencies.begin(), latencies.end());
    figures.latencyMedianMs = percentile(latencies, 0.5);
    figures.latencyP99Ms = percentile(latencies, 0.99);
    figures.latencyMaxMs = latencies.back();
}

void measureBurst(std::span<const WireFrame> frames, const PhaseLog& log, PhaseFigures& figures)
{
    figures.burstAcceptedMs = msBetween(log.saveClicked, log.saveReturned);
    int saveFrames = 0;
    for (const WireFrame& frame : frames) {
        if (frame.command != '@' || frame.firstByteDone < log.saveClicked)
            continue;
        if (++saveFrames == RunLoop::BurstFrames) {
            figures.burstOnWireMs = msBetween(log.saveClicked, frame.lastByteDone);
            break;
        }
    }
    const std::size_t backlog = log.bytesHeldAtEnd + log.bytesWaitingAtEnd;
    figures.burstDueMs = msBetween(log.saveClicked, log.watchedUntil)
        + std::chrono::duration<double, std::milli>(LineSimulator::ByteTime).count() * static_cast<double>(backlog);
}

void measureUsage(const PhaseLog& log, PhaseFigures& figures)
{
    const UsageSample& from = log.streamStart;
    const UsageSample& to = log.streamEnd;
    figures.processCpuPercent = ProcessUsage::cpuPercent(to.processCpu - from.processCpu, from, to);
    figures.readerCpuPercent = ProcessUsage::cpuPercent(to.readerCpu - from.readerCpu, from, to);
    figures.panelCpuPercent = figures.processCpuPercent - figures.readerCpuPercent;
    figures.residentStart = from.residentBytes;
    figures.residentEnd = to.residentBytes;
}

}  // namespace

namespace PhaseAnalysis {

PhaseFigures analyse(const LineSimulator& line, const ChangeDriver& driver, const PhaseLog& log)
{
    PhaseFigures figures;
    const std::span<const WireFrame> frames(line.frames().data(), line.framesSeen());
    measureRate(frames, log, figures);
    measureLatency(frames, driver, log, figures);
    measureBurst(frames, log, figures);
    measureUsage(log, figures);
    figures.malformedBytes = line.malformedBytes();
    figures.framesDropped = line.framesDropped();
    figures.latestReaderWakeMs = std::chrono::duration<double, std::milli>(line.latestWake()).count();
    return figures;
}

}  // namespace PhaseAnalysis
