// SPDX-License-Identifier: MIT
#include "Report.h"

#include "BenchOptions.h"
#include "MachineInfo.h"

#include <cstdarg>
#include <cstdio>
#include <functional>

namespace {

constexpr double MiB = 1024.0 * 1024.0;
constexpr double KiB = 1024.0;

using Phases = std::vector<PhaseFigures>;
using Cell = std::function<std::string(const PhaseFigures&)>;

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

std::string line(const std::vector<std::string>& cells)
{
    std::string text = "|";
    for (const std::string& cell : cells)
        text += " " + cell + " |";
    return text + "\n";
}

std::string row(const Phases& phases, const std::string& figure, const Cell& cell, const std::string& target)
{
    std::vector<std::string> cells{figure};
    for (const PhaseFigures& phase : phases)
        cells.push_back(cell(phase));
    cells.push_back(target);
    return line(cells);
}

// A latency of a phase whose changes did not all reach the wire is a lower bound.
Cell ms(double Spread::*which, Spread PhaseFigures::*spread)
{
    return [=](const PhaseFigures& phase) {
        return (phase.latenciesAreLowerBounds() ? "≥ " : "") + number(phase.*spread.*which, 2);
    };
}

std::string burstOnWire(const PhaseFigures& phase)
{
    if (phase.burstOnWireMs)
        return number(*phase.burstOnWireMs);
    return "not in wait; due at " + number(phase.burstDueMs / 1000.0, 0) + " s";
}

double growthKiB(const PhaseFigures& phase)
{
    return (static_cast<double>(phase.residentEnd) - static_cast<double>(phase.residentStart)) / KiB;
}

std::string recovery(const PhaseFigures& phase)
{
    if (!phase.stallMs)
        return "";
    if (!phase.recoveredAfterSeconds)
        return "at once";
    return (phase.recoveredInPhase ? "" : "not by the end, ≥ ") + number(*phase.recoveredAfterSeconds, 1) + " s";
}

std::string header(const BenchOptions& options, const Phases& phases)
{
    std::vector<std::string> names{"figure"}, rule{"---"};
    for (const PhaseFigures& phase : phases) {
        names.push_back(phase.name);
        rule.push_back("---:");
    }
    names.push_back("target");
    rule.push_back("---");
    return format("Run: %s, seed %u.\nMachine: %s\n\n", options.mode.c_str(), options.seed,
                  MachineInfo::describe().c_str())
        + line(names) + line(rule);
}

std::string rateRows(const Phases& phases)
{
    return row(phases, "streamed (s)", [](const PhaseFigures& p) { return number(p.streamSeconds, 0); }, "")
        + row(phases, "frames a second on the wire (limit 192)",
              [](const PhaseFigures& p) { return number(p.framesPerSecond, 2); }, "≥ 189.5 at nominal");
}

std::string latencyRows(const Phases& phases)
{
    return row(phases, "changes made / on the wire by the end",
               [](const PhaseFigures& p) { return std::to_string(p.changes) + " / " + std::to_string(p.changesCarried); },
               "")
        + row(phases, "  of which overtaken by the next change first",
              [](const PhaseFigures& p) { return std::to_string(p.changesSuperseded); }, "")
        + row(phases, "change to first byte on the wire, median (ms)", ms(&Spread::median, &PhaseFigures::latency), "≤ 5.5")
        + row(phases, "change to first byte on the wire, p99 (ms)", ms(&Spread::p99, &PhaseFigures::latency), "≤ 9")
        + row(phases, "change to first byte on the wire, max (ms)", ms(&Spread::max, &PhaseFigures::latency), "≤ 20")
        + row(phases, "floor the line allowed, median / p99 (ms)",
              [](const PhaseFigures& p) { return number(p.floor.median, 2) + " / " + number(p.floor.p99, 2); }, "")
        + row(phases, "excess over the floor, median (ms)", ms(&Spread::median, &PhaseFigures::excess), "")
        + row(phases, "excess over the floor, p99 (ms)", ms(&Spread::p99, &PhaseFigures::excess), "")
        + row(phases, "excess over the floor, max (ms)", ms(&Spread::max, &PhaseFigures::excess), "");
}

std::string windowRows(const Phases& phases)
{
    const auto pair = [](const Spread& spread) { return number(spread.p99, 2) + " / " + number(spread.max, 2); };
    return row(phases, "first and last window (s)", [](const PhaseFigures& p) { return number(p.windowSeconds, 0); }, "")
        + row(phases, "  latency in the first window, p99 / max (ms)",
              [&](const PhaseFigures& p) { return pair(p.firstWindow); }, "")
        + row(phases, "  latency in the last window, p99 / max (ms)",
              [&](const PhaseFigures& p) { return pair(p.lastWindow); }, "")
        + row(phases, "  p99 last minus first (ms)",
              [](const PhaseFigures& p) { return format("%+.2f", p.lastWindow.p99 - p.firstWindow.p99); },
              "within ±2")
        + row(phases, "far end stopped reading (ms)",
              [](const PhaseFigures& p) { return p.stallMs ? number(*p.stallMs, 0) : std::string(); }, "")
        + row(phases, "  back to normal latency after", recovery, "≤ 20 s");
}

std::string cpuRows(const Phases& phases)
{
    return row(phases, "CPU of the process while streaming (% of a core)",
               [](const PhaseFigures& p) { return number(p.processCpuPercent, 2); }, "")
        + row(phases, "  of which the line simulator's reader",
              [](const PhaseFigures& p) { return number(p.readerCpuPercent, 2); }, "")
        + row(phases, "  of which the panel (the rest)", [](const PhaseFigures& p) { return number(p.panelCpuPercent, 2); },
              "≤ 2.5");
}

std::string memoryRows(const Phases& phases)
{
    return row(phases, "resident memory at stream start (MiB)",
               [](const PhaseFigures& p) { return number(static_cast<double>(p.residentStart) / MiB, 2); }, "")
        + row(phases, "growth while streaming (KiB)", [](const PhaseFigures& p) { return number(growthKiB(p), 0); },
              "flat (< 1024 over 10 min)");
}

std::string burstRows(const Phases& phases)
{
    return row(phases, "Save burst accepted: the click's return (ms)",
               [](const PhaseFigures& p) { return number(p.burstAcceptedMs, 3); }, "< 5")
        + row(phases, "Save burst on the wire whole (ms)", burstOnWire, "");
}

std::string notes(const Phases& phases)
{
    std::string text = "\nLine simulator, by phase:";
    for (const PhaseFigures& phase : phases)
        text += format(" %s: latest wake-up %.2f ms, malformed bytes %zu, frames not recorded %zu;", phase.name.c_str(),
                       phase.latestReaderWakeMs, phase.malformedBytes, phase.framesDropped);
    text.back() = '.';
    return text + "\n";
}

}  // namespace

namespace Report {

std::string table(const BenchOptions& options, const Phases& phases)
{
    return header(options, phases) + rateRows(phases) + latencyRows(phases) + windowRows(phases) + cpuRows(phases)
        + memoryRows(phases) + burstRows(phases) + notes(phases);
}

}  // namespace Report
