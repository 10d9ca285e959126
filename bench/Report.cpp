// SPDX-License-Identifier: MIT
#include "Report.h"

#include "BenchOptions.h"
#include "MachineInfo.h"
#include "PhaseFigures.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr double MiB = 1024.0 * 1024.0;
constexpr double KiB = 1024.0;

std::string format(const char* pattern, ...)
{
    char text[256];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof text, pattern, arguments);
    va_end(arguments);
    return text;
}

std::string number(double value, int decimals = 1) { return format("%.*f", decimals, value); }

std::string ratio(double naive, double panel)
{
    if (panel <= 0)
        return "–";
    return format("%.*f×", naive / panel >= 10 ? 0 : 2, naive / panel);
}

std::string row(const std::string& figure, const std::string& panel, const std::string& naive,
                const std::string& times, const std::string& target)
{
    return "| " + figure + " | " + panel + " | " + naive + " | " + times + " | " + target + " |\n";
}

// A latency of a phase whose changes did not all reach the wire is a lower bound.
std::string latency(const PhaseFigures& figures, double ms)
{
    return (figures.latenciesAreLowerBounds() ? "≥ " : "") + number(ms, 2);
}

std::string burstOnWire(const PhaseFigures& figures)
{
    if (figures.burstOnWireMs)
        return number(*figures.burstOnWireMs);
    return "not in wait; due at " + number(figures.burstDueMs / 1000.0, 0) + " s";
}

double burstOnWireOrDue(const PhaseFigures& figures) { return figures.burstOnWireMs.value_or(figures.burstDueMs); }

double growthKiB(const PhaseFigures& figures)
{
    return (static_cast<double>(figures.residentEnd) - static_cast<double>(figures.residentStart)) / KiB;
}

std::string header(const BenchOptions& options, const PhaseFigures& panel, const PhaseFigures& naive)
{
    return format("Run: %s, seed %u; Kandimor streamed %.0f s, naive %.0f s.\nMachine: %s\n\n",
                  options.mode.c_str(), options.seed, panel.streamSeconds, naive.streamSeconds,
                  MachineInfo::describe().c_str())
        + row("figure", "Kandimor", "naive", "naive ÷ Kandimor", "target")
        + row("---", "---:", "---:", "---:", "---");
}

std::string rateRows(const PhaseFigures& panel, const PhaseFigures& naive)
{
    return row("frames a second on the wire (limit 192)", number(panel.framesPerSecond, 2),
               number(naive.framesPerSecond, 2), ratio(naive.framesPerSecond, panel.framesPerSecond), "≥ 190");
}

std::string latencyRows(const PhaseFigures& panel, const PhaseFigures& naive)
{
    return row("changes made / on the wire by the end",
               std::to_string(panel.changes) + " / " + std::to_string(panel.changesCarried),
               std::to_string(naive.changes) + " / " + std::to_string(naive.changesCarried), "", "")
        + row("  of which overtaken by the next change first", std::to_string(panel.changesSuperseded),
              std::to_string(naive.changesSuperseded), "", "")
        + row("change to first byte on the wire, median (ms)", latency(panel, panel.latencyMedianMs),
              latency(naive, naive.latencyMedianMs), ratio(naive.latencyMedianMs, panel.latencyMedianMs), "")
        + row("change to first byte on the wire, p99 (ms)", latency(panel, panel.latencyP99Ms),
              latency(naive, naive.latencyP99Ms), ratio(naive.latencyP99Ms, panel.latencyP99Ms), "≤ 12")
        + row("change to first byte on the wire, max (ms)", latency(panel, panel.latencyMaxMs),
              latency(naive, naive.latencyMaxMs), ratio(naive.latencyMaxMs, panel.latencyMaxMs), "≤ 20");
}

std::string cpuRows(const PhaseFigures& panel, const PhaseFigures& naive)
{
    return row("CPU of the process while streaming (% of a core)", number(panel.processCpuPercent, 2),
               number(naive.processCpuPercent, 2), ratio(naive.processCpuPercent, panel.processCpuPercent), "")
        + row("  of which the line simulator's reader", number(panel.readerCpuPercent, 2),
              number(naive.readerCpuPercent, 2), "", "")
        + row("  of which the panel (the rest)", number(panel.panelCpuPercent, 2), number(naive.panelCpuPercent, 2),
              ratio(naive.panelCpuPercent, panel.panelCpuPercent), "≤ 5");
}

std::string memoryRows(const PhaseFigures& panel, const PhaseFigures& naive)
{
    return row("resident memory at stream start (MiB)", number(static_cast<double>(panel.residentStart) / MiB, 2),
               number(static_cast<double>(naive.residentStart) / MiB, 2), "", "")
        + row("resident memory at Save (MiB)", number(static_cast<double>(panel.residentEnd) / MiB, 2),
              number(static_cast<double>(naive.residentEnd) / MiB, 2), "", "")
        + row("growth while streaming (KiB)", number(growthKiB(panel), 0), number(growthKiB(naive), 0),
              ratio(growthKiB(naive), growthKiB(panel)), "< 1024 over 10 min");
}

std::string burstRows(const PhaseFigures& panel, const PhaseFigures& naive)
{
    return row("Save burst accepted: the click's return (ms)", number(panel.burstAcceptedMs, 3),
               number(naive.burstAcceptedMs, 3), ratio(naive.burstAcceptedMs, panel.burstAcceptedMs), "< 5")
        + row("Save burst on the wire whole (ms)", burstOnWire(panel), burstOnWire(naive),
              ratio(burstOnWireOrDue(naive), burstOnWireOrDue(panel)), "");
}

std::string notes(const PhaseFigures& panel, const PhaseFigures& naive)
{
    return format("\nLine simulator: latest wake-up %.2f ms (Kandimor phase), %.2f ms (naive phase); "
                  "malformed bytes %zu / %zu; frames not recorded %zu / %zu.\n",
                  panel.latestReaderWakeMs, naive.latestReaderWakeMs, panel.malformedBytes, naive.malformedBytes,
                  panel.framesDropped, naive.framesDropped);
}

}  // namespace

namespace Report {

std::string table(const BenchOptions& options, const PhaseFigures& panel, const PhaseFigures& naive)
{
    return header(options, panel, naive) + rateRows(panel, naive) + latencyRows(panel, naive)
        + cpuRows(panel, naive) + memoryRows(panel, naive) + burstRows(panel, naive) + notes(panel, naive);
}

}  // namespace Report
