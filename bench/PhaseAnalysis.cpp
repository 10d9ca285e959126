// SPDX-License-Identifier: MIT
#include "PhaseFigures.h"

#include "BenchOptions.h"
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

Spread spreadOf(std::vector<double> values)
{
    Spread spread;
    spread.count = values.size();
    if (values.empty())
        return spread;
    std::sort(values.begin(), values.end());
    spread.median = percentile(values, 0.5);
    spread.p99 = percentile(values, 0.99);
    spread.max = values.back();
    return spread;
}

// The least a change made at `at` can wait: the frame on the wire then has to finish, and the
// first byte of the next one with it; on an idle wire only that byte.
double floorMs(std::span<const WireFrame> frames, Clock::time_point at, Clock::duration byteTime)
{
    const auto inFlight = std::upper_bound(frames.begin(), frames.end(), at, [](Clock::time_point t, const WireFrame& f) {
        return t < f.lastByteDone;
    });
    if (inFlight == frames.end() || inFlight->firstByteDone - byteTime > at)
        return msBetween(at, at + byteTime);
    return msBetween(at, inFlight->lastByteDone + byteTime);
}

struct ChangeTiming {
    Clock::time_point at;
    double latency = 0;
    double excess = 0;
};

std::vector<ChangeTiming> timeChanges(std::span<const WireFrame> frames, const ChangeDriver& driver,
                                      const PhaseLog& log, Clock::duration byteTime, PhaseFigures& figures)
{
    std::vector<ChangeTiming> timings;
    std::vector<double> floors;
    std::size_t from = 0;
    for (std::size_t index = 0; index < driver.changeCount(); ++index) {
        const ChangeDriver::Change& change = driver.change(index);
        ChangeTiming timing{change.at};
        if (const auto carrier = carrierOf(driver, index, frames, from)) {
            timing.latency = msBetween(change.at, frames[carrier->frame].firstByteDone);
            ++figures.changesCarried;
            figures.changesSuperseded += carrier->superseded ? 1 : 0;
            from = carrier->frame;
        } else {
            timing.latency = msBetween(change.at, log.watchedUntil);
        }
        floors.push_back(floorMs(frames, change.at, byteTime));
        timing.excess = timing.latency - floors.back();
        timings.push_back(timing);
    }
    figures.changes = timings.size();
    figures.floor = spreadOf(std::move(floors));
    return timings;
}

template <typename Take>
Spread spreadWhere(const std::vector<ChangeTiming>& timings, Take take)
{
    std::vector<double> values;
    for (const ChangeTiming& timing : timings)
        if (const auto value = take(timing))
            values.push_back(*value);
    return spreadOf(std::move(values));
}

std::vector<ChangeTiming> measureLatency(std::span<const WireFrame> frames, const ChangeDriver& driver,
                                         const PhaseLog& log, Clock::duration byteTime, PhaseFigures& figures)
{
    const auto timings = timeChanges(frames, driver, log, byteTime, figures);
    using Value = std::optional<double>;
    figures.latency = spreadWhere(timings, [](const ChangeTiming& t) -> Value { return t.latency; });
    figures.excess = spreadWhere(timings, [](const ChangeTiming& t) -> Value { return t.excess; });

    // A minute at each end on a long run, a quarter of the stream on a short one.
    const auto window = std::min<Clock::duration>(std::chrono::minutes(1), (log.saveClicked - log.streamStart.wall) / 4);
    figures.windowSeconds = std::chrono::duration<double>(window).count();
    const auto firstEnd = log.streamStart.wall + window;
    const auto lastBegin = log.saveClicked - window;
    figures.firstWindow = spreadWhere(timings, [&](const ChangeTiming& t) -> Value {
        return t.at < firstEnd ? Value(t.latency) : std::nullopt;
    });
    figures.lastWindow = spreadWhere(timings, [&](const ChangeTiming& t) -> Value {
        return t.at >= lastBegin ? Value(t.latency) : std::nullopt;
    });
    return timings;
}

// After a stall every change waits behind what the far end left unread. The line counts as back to
// normal from the end of the last second in which the median change still waited more than a
// millisecond beyond the median before the stall: single late wake-ups do not move a median.
void measureRecovery(const LineSimulator& line, const std::vector<ChangeTiming>& timings, const PhaseLog& log,
                     PhaseFigures& figures)
{
    if (!line.stalled())
        return;
    figures.stallMs = msBetween(line.stallBegan(), line.stallEnded());
    using Value = std::optional<double>;
    const Spread before = spreadWhere(timings, [&](const ChangeTiming& t) -> Value {
        return t.at < line.stallBegan() ? Value(t.excess) : std::nullopt;
    });
    const double normal = before.median + 1.0;
    std::optional<Clock::time_point> lastBeyond;
    for (auto from = line.stallBegan(); from < log.saveClicked; from += std::chrono::seconds(1)) {
        const auto to = from + std::chrono::seconds(1);
        const Spread second = spreadWhere(timings, [&](const ChangeTiming& t) -> Value {
            return t.at >= from && t.at < to ? Value(t.excess) : std::nullopt;
        });
        if (second.count > 0 && second.median > normal)
            lastBeyond = std::min(to, log.saveClicked);
    }
    if (!lastBeyond)
        return;
    figures.recoveredAfterSeconds = std::max(0.0, msBetween(line.stallEnded(), *lastBeyond) / 1000.0);
    figures.recoveredInPhase = *lastBeyond < log.saveClicked;
}

void measureBurst(const LineSimulator& line, std::span<const WireFrame> frames, const PhaseLog& log,
                  PhaseFigures& figures)
{
    figures.burstAcceptedMs = msBetween(log.saveClicked, log.saveReturned);
    // Every '@' frame on this line is the Save's, whatever its stamp: a reader that woke late
    // stamps the bytes it then finds from when the wire was free, which may be before the click.
    int saveFrames = 0;
    for (const WireFrame& frame : frames) {
        if (frame.command != '@')
            continue;
        if (++saveFrames == RunLoop::BurstFrames) {
            figures.burstOnWireMs = msBetween(log.saveClicked, frame.lastByteDone);
            break;
        }
    }
    const std::size_t backlog = log.bytesHeldAtEnd + log.bytesWaitingAtEnd;
    figures.burstDueMs = msBetween(log.saveClicked, log.watchedUntil)
        + std::chrono::duration<double, std::milli>(line.byteTime()).count() * static_cast<double>(backlog);
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

PhaseFigures analyse(const PhasePlan& plan, const LineSimulator& line, const ChangeDriver& driver,
                     const PhaseLog& log)
{
    PhaseFigures figures;
    figures.name = plan.name;
    figures.naive = plan.naive;
    const std::span<const WireFrame> frames(line.frames().data(), line.framesSeen());
    measureRate(frames, log, figures);
    const auto timings = measureLatency(frames, driver, log, line.byteTime(), figures);
    measureRecovery(line, timings, log, figures);
    measureBurst(line, frames, log, figures);
    measureUsage(log, figures);
    figures.malformedBytes = line.malformedBytes();
    figures.framesDropped = line.framesDropped();
    figures.latestReaderWakeMs = std::chrono::duration<double, std::milli>(line.latestWake()).count();
    return figures;
}

}  // namespace PhaseAnalysis
