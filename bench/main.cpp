// SPDX-License-Identifier: MIT
#include "BenchOptions.h"
#include "BenchPhase.h"
#include "BenchRuntime.h"
#include "ChangeDriver.h"
#include "LineSimulator.h"
#include "NaiveStreamer.h"
#include "OvercountingDriver.h"
#include "PanelStreamer.h"
#include "PhaseFigures.h"
#include "PortTableLinux.h"
#include "Report.h"
#include "Sermod1.h"
#include "frmVestrel.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr auto WarmUp = 500ms;

// Room for every frame the line can carry in the phase, and for a change every 12 ms.
std::size_t frameRoom(std::chrono::milliseconds length) { return static_cast<std::size_t>(length.count() / 5 + 1000); }
std::size_t changeRoom(std::chrono::milliseconds streaming) { return static_cast<std::size_t>(streaming.count() / 12 + 100); }

std::unique_ptr<Streamer> streamerFor(const PhasePlan& plan, frmVestrel& form, const LineSimulator& line)
{
    if (plan.naive)
        return std::make_unique<NaiveStreamer>(form, line.slavePath());
    return std::make_unique<PanelStreamer>(form);
}

PhaseFigures runPhase(const PhasePlan& plan, std::uint32_t seed)
{
    // The naive backlog never drains in a wait of any sensible length: a short look is enough.
    const BenchPhase::Length length{WarmUp, plan.streaming, plan.naive ? 2000ms : 5000ms};
    LineSimulator line(frameRoom(length.warmUp + length.streaming + length.burstWait), plan.driftPercent);
    const auto port = PortTable::numberOfPseudoTerminal(line.slavePath());
    if (!port)
        throw std::runtime_error("pseudo-terminal outside the port table: " + line.slavePath());
    Sermod1::ComPort = *port;

    BenchRuntime runtime;
    frmVestrel form(runtime);
    form.show();
    ChangeDriver driver(form, seed, changeRoom(plan.streaming));
    const auto streamer = streamerFor(plan, form, line);
    if (plan.stallAfter)
        line.stallAt(LineSimulator::Clock::now() + WarmUp + *plan.stallAfter, BenchOptions::StallLength);
    // A full-speed board's write is done within a USB frame.
    if (plan.overcounting)
        OvercountingDriver::overcount(line.slavePath(), 1ms);
    BenchPhase phase(*streamer, line, driver, length);
    const PhaseLog log = phase.run();
    OvercountingDriver::stop();
    if (!runtime.lastMessage.empty())
        throw std::runtime_error(plan.name + ": the panel said: " + runtime.lastMessage);
    if (!log.saved)
        throw std::runtime_error(plan.name + ": the stream ended before Save");
    return PhaseAnalysis::analyse(plan, line, driver, log);
}

// The benchmark asserts no timings: it fails only when it could not measure at all.
// The naive stream's backlog keeps its changes and its burst off the wire for the whole run, so
// only the panel has to show them.
std::optional<std::string> faultIn(const PhaseFigures& figures)
{
    const std::string& name = figures.name;
    const bool paced = !figures.naive;
    if (figures.malformedBytes > 0)
        return name + ": malformed bytes on the wire";
    if (figures.streamFrames < 2)
        return name + ": no stream on the wire";
    if (paced && figures.changesCarried == 0)
        return name + ": no change reached the wire";
    if (paced && !figures.burstOnWireMs)
        return name + ": the Save burst never reached the wire";
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[])
{
    // Always offscreen: a display's platform plugin brings memory and CPU of its own that are not
    // the panel's.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto options = BenchOptions::parse(argc, argv);
    if (!options)
        return 2;
    try {
        std::vector<PhaseFigures> phases;
        for (const PhasePlan& plan : options->phases) {
            std::fprintf(stderr, "kandimor_bench: %s, %.0f s\n", plan.name.c_str(), plan.streaming.count() / 1000.0);
            phases.push_back(runPhase(plan, options->seed));
        }
        std::fputs(Report::table(*options, phases).c_str(), stdout);
        for (const PhaseFigures& figures : phases) {
            if (const auto fault = faultIn(figures)) {
                std::fprintf(stderr, "kandimor_bench: %s\n", fault->c_str());
                return 1;
            }
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kandimor_bench: %s\n", failure.what());
        return 1;
    }
    return 0;
}
