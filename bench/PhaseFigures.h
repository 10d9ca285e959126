// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <string>

class ChangeDriver;
class LineSimulator;
struct PhaseLog;
struct PhasePlan;

// Median, 99th percentile and largest of a set of times, in ms.
struct Spread {
    std::size_t count = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
};

// The figures of one phase, in the units the report shows.
struct PhaseFigures {
    std::string name;
    bool naive = false;

    std::size_t streamFrames = 0;
    double framesPerSecond = 0;
    double streamSeconds = 0;

    std::size_t changes = 0;
    std::size_t changesCarried = 0;
    // Of those carried, the ones that reached the wire only with a later change.
    std::size_t changesSuperseded = 0;
    // Changes not on the wire by the end count with their age then, so with any of them the
    // latencies are only lower bounds.
    Spread latency;
    // What the line itself allowed each change: the rest of the frame on the wire when it came,
    // then one byte; and how far each change's latency lay above that.
    Spread floor;
    Spread excess;
    // The changes of the first and of the last stretch of the stream, windowSeconds each.
    double windowSeconds = 0;
    Spread firstWindow;
    Spread lastWindow;

    // With a stall: how long the far end read nothing, and how long after it read again the
    // median change's excess was back within a millisecond of what it was before (empty: at once).
    std::optional<double> stallMs;
    std::optional<double> recoveredAfterSeconds;
    bool recoveredInPhase = true;

    double processCpuPercent = 0;
    double readerCpuPercent = 0;
    double panelCpuPercent = 0;

    std::size_t residentStart = 0;
    std::size_t residentEnd = 0;

    double burstAcceptedMs = 0;
    // When the whole burst was on the wire; when it was not by the end of the wait, when the
    // line would have carried it, from the backlog still waiting then.
    std::optional<double> burstOnWireMs;
    double burstDueMs = 0;

    std::size_t malformedBytes = 0;
    std::size_t framesDropped = 0;
    double latestReaderWakeMs = 0;

    bool latenciesAreLowerBounds() const { return changesCarried < changes; }
};

namespace PhaseAnalysis {

PhaseFigures analyse(const PhasePlan& plan, const LineSimulator& line, const ChangeDriver& driver,
                     const PhaseLog& log);

}  // namespace PhaseAnalysis
