// SPDX-License-Identifier: MIT
#include "Driver.h"
#include "MSComm.h"
#include "PacedFarEnd.h"
#include "PtyPair.h"
#include "RunLoop.h"
#include "ScriptedRuntime.h"
#include "Sermod1.h"

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

using namespace std::chrono_literals;

namespace {

constexpr double NominalBytesPerSecond = 960.0;
// Two frames, the one on the wire and the one written just before it ends, and on a busy machine
// (a sanitizer build, two cores) a frame more: late wake-ups widen the write lead by up to 3 ms,
// and the OS is fed a few bytes ahead. A backlog that grows passes this within a second.
constexpr std::size_t CoupleOfFrames = 15;

// The real run loop streaming through the real serial control to a far end with a clock of its
// own, until `done` says so; then Save.
struct Stream {
    PtyPair line;
    MSComm control;
    ScriptedRuntime runtime;
    RunLoop loop{control, runtime, [](std::string_view) {}};

    void runUntil(const std::function<bool()>& done)
    {
        Sermod1::ComPort = line.portNumber();
        Driver driver([&] {
            if (loop.RunFlag && done())
                loop.cmdStop_Click();
        }, [&] { loop.cmdStop_Click(); });
        loop.cmdRun_Click();
        driver.stop();
    }
};

}  // namespace

class HiddenBacklog : public QObject {
    Q_OBJECT

private slots:
    // A far end 1 % slow, as a USB adapter on a cheap oscillator: what waits unread never grows
    // beyond a couple of frames, however long the stream runs. A backlog that grows raises each
    // second's lowest level; a late wake-up of the test's own reader, on a machine busy with other
    // work, only raises a peak for a moment, so the peaks are no measure of the panel. Only a byte
    // taken on time measures the backlog: six seconds must have one, however long that takes.
    void slowFarEndGathersNoBacklog()
    {
        Stream stream;
        PacedFarEnd farEnd(stream.line.masterFd(), NominalBytesPerSecond * 0.99);
        farEnd.start();
        QElapsedTimer clock;
        clock.start();
        std::map<qint64, std::size_t> floors;  // each second's lowest backlog, after the stream settles
        std::size_t samples = 0;
        stream.runUntil([&] {
            const qint64 elapsed = clock.elapsed();
            if (const std::size_t before = std::exchange(samples, farEnd.samples()); elapsed >= 500 && samples > before) {
                const auto [floor, added] = floors.try_emplace((elapsed - 500) / 1000, SIZE_MAX);
                floor->second = std::min(floor->second, farEnd.backlog());
            }
            return floors.size() >= 6 && elapsed >= 6500;  // or the driver gives up
        });
        farEnd.stop();
        // The stream flowed; how fast is the benchmark's to say (a sanitizer build on a busy
        // machine took 3486 bytes in the 6.5 s).
        QVERIFY2(farEnd.bytesTaken() > 2000, qPrintable(QString::number(farEnd.bytesTaken())));
        QVERIFY2(floors.size() >= 6, qPrintable(QString("%1 bytes taken on time in %2 seconds").arg(samples).arg(floors.size())));
        const std::size_t highest = std::max_element(floors.begin(), floors.end(), [](auto a, auto b) {
            return a.second < b.second;
        })->second;
        QVERIFY2(highest <= CoupleOfFrames, qPrintable(QString("the backlog stayed above %1 bytes for a second").arg(highest)));
        QVERIFY(stream.runtime.messages.empty());
    }

    // A far end that once stops reading for a moment, then reads at the nominal rate again: the
    // backlog it left drains within seconds (about 12 bytes a second), instead of riding ahead of
    // every later change for as long as the panel happens never to fall behind the line.
    void backlogOfAStallDrains()
    {
        Stream stream;
        PacedFarEnd farEnd(stream.line.masterFd(), NominalBytesPerSecond);
        // It stops until 60 bytes wait unread, about 60 ms of the line; a busy machine may hold
        // the panel up for longer before it has written them.
        farEnd.stallAt(500ms, 60, 2s);
        farEnd.start();
        std::size_t afterStall = 0;
        bool drained = false;
        QElapsedTimer sinceStall;
        stream.runUntil([&] {
            if (!farEnd.stalled())
                return false;
            if (!sinceStall.isValid())
                sinceStall.start();
            afterStall = std::max(afterStall, farEnd.backlog());
            drained = afterStall > CoupleOfFrames && farEnd.backlog() <= CoupleOfFrames;
            return drained || sinceStall.elapsed() > 9000;
        });
        farEnd.stop();
        QVERIFY2(afterStall > CoupleOfFrames, "the stall left no backlog to drain");
        QVERIFY2(drained, qPrintable(QString("backlog of %1 bytes still %2 after 9 s").arg(afterStall).arg(farEnd.backlog())));
        QVERIFY(stream.runtime.messages.empty());
    }
};

QTEST_GUILESS_MAIN(HiddenBacklog)
#include "test_hidden_backlog.moc"
