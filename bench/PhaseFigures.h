// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>

class ChangeDriver;
class LineSimulator;
struct PhaseLog;

// The figures of one phase, in the units the report shows.
struct PhaseFigures {
    std::size_t streamFrames = 0;
    double framesPerSecond = 0;
    double streamSeconds = 0;

    std::size_t changes = 0;
    std::size_t changesCarried = 0;
    // Of those carried, the ones that reached the wire only with a later change.
    std::size_t changesSuperseded = 0;
    // Changes not on the wire by the end count with their age then, so with any of them the
    // latencies are only lower bounds.
    double latencyMedianMs = 0;
    double latencyP99Ms = 0;
    double latencyMaxMs = 0;

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

PhaseFigures analyse(const LineSimulator& line, const ChangeDriver& driver, const PhaseLog& log);

}  // namespace PhaseAnalysis
