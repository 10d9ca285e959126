// SPDX-License-Identifier: MIT
#include "BenchPhase.h"

#include "ChangeDriver.h"
#include "LineSimulator.h"
#include "RunLoop.h"
#include "Streamer.h"

#include <QTest>
#include <QTimer>

namespace {
constexpr std::chrono::milliseconds QuietBeforeSave{50};
}  // namespace

BenchPhase::BenchPhase(Streamer& streamer, LineSimulator& line, ChangeDriver& driver, Length length,
                       QObject* parent)
    : QObject(parent), streamer_(streamer), line_(line), driver_(driver), length_(length)
{
}

PhaseLog BenchPhase::run()
{
    driver_.prepare();
    line_.start();
    QTimer::singleShot(length_.warmUp, Qt::PreciseTimer, this, &BenchPhase::beginMeasuring);
    // The changes stop a little before Save: a change made in the last frame's time before it is
    // never written, and would only count as lost.
    QTimer::singleShot(length_.warmUp + length_.streaming - QuietBeforeSave, Qt::PreciseTimer, &driver_,
                       &ChangeDriver::stop);
    QTimer::singleShot(length_.warmUp + length_.streaming, Qt::PreciseTimer, this, &BenchPhase::endStream);
    streamer_.run();
    log_.burstSeen = log_.saved && waitForBurst();
    log_.watchedUntil = PhaseLog::Clock::now();
    log_.bytesHeldAtEnd = streamer_.bytesHeld();
    log_.bytesWaitingAtEnd = line_.bytesWaiting();
    line_.stop();
    return log_;
}

void BenchPhase::beginMeasuring()
{
    log_.streamStart = ProcessUsage::sample(line_);
    driver_.start();
}

void BenchPhase::endStream()
{
    driver_.stop();
    log_.streamEnd = ProcessUsage::sample(line_);
    framesBeforeSave_ = line_.framesSeen();
    log_.saveClicked = PhaseLog::Clock::now();
    streamer_.save();
    log_.saveReturned = PhaseLog::Clock::now();
    log_.saved = true;
}

bool BenchPhase::burstOnWire() const
{
    const std::size_t seen = line_.framesSeen();
    std::size_t saveFrames = 0;
    for (std::size_t at = framesBeforeSave_; at < seen; ++at)
        if (line_.frames()[at].command == '@')
            ++saveFrames;
    return saveFrames >= static_cast<std::size_t>(RunLoop::BurstFrames);
}

bool BenchPhase::waitForBurst()
{
    return QTest::qWaitFor([this] { return burstOnWire(); }, static_cast<int>(length_.burstWait.count()));
}
