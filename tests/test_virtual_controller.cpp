// SPDX-License-Identifier: MIT
#include "WireMonitor.h"

#include <QTest>

#include <string>
#include <vector>

// The virtual controller's account of the wire, fed byte streams and the passing of time as a
// real line would deliver them.
namespace {

using Time = WireMonitor::Time;

QByteArray frame(char command, const char* digits) { return QByteArray(1, '\0') + command + digits; }
QByteArray frames(char command, const char* digits, int count) { return frame(command, digits).repeated(count); }

// One thing happening at the far end: bytes arriving, time passing, the panel letting go.
struct Step {
    enum Kind { Bytes, Idle, Disconnect, Connect } kind;
    QByteArray bytes;
    int at = 0;  // milliseconds
};
Step bytes(const QByteArray& data, int at = 0) { return {Step::Bytes, data, at}; }
Step idle(int at) { return {Step::Idle, {}, at}; }
Step panelLetsGo() { return {Step::Disconnect, {}, 0}; }
Step panelOpens() { return {Step::Connect, {}, 0}; }

QStringList play(WireMonitor& monitor, const QList<Step>& steps)
{
    QStringList log;
    for (const Step& step : steps) {
        std::vector<std::string> lines;
        if (step.kind == Step::Bytes)
            lines = monitor.take(reinterpret_cast<const unsigned char*>(step.bytes.constData()),
                                 static_cast<std::size_t>(step.bytes.size()), Time(step.at));
        else if (step.kind == Step::Idle)
            lines = monitor.idle(Time(step.at));
        else if (step.kind == Step::Disconnect)
            lines = monitor.panelDisconnected();
        else
            lines = monitor.panelConnected();
        for (const std::string& line : lines)
            log << QString::fromStdString(line);
    }
    return log;
}

const QString F128 = "command Servo 2 On, value 128 (00 46 31 32 38)";
const QString SaveBurst20 = "Save burst of 20 frames, value 128 (00 40 31 32 38)";
QString skipped(int count) { return QString("warning: %1 bytes skipped, not well-formed frames").arg(count); }

}  // namespace

Q_DECLARE_METATYPE(QList<Step>)

class VirtualControllerMonitor : public QObject {
    Q_OBJECT

private slots:
    void logsEachChange_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("a steady stream is one command") << QList<Step>{bytes(frames('F', "128", 50))} << QStringList{F128};
        QTest::newRow("frames split between reads")
            << QList<Step>{bytes(QByteArray("\0F1", 3)), bytes("28"), bytes(QByteArray("\0", 1)), bytes("F128")}
            << QStringList{F128};
        QTest::newRow("every cell by the panel's names")
            << QList<Step>{bytes(frame('A', "000") + frame('G', "007") + frame('L', "100") + frame('P', "255"))}
            << QStringList{"command Servo 1 Off, value 0 (00 41 30 30 30)",
                           "command Servo 2 Spd 0, value 7 (00 47 30 30 37)",
                           "command Servo 3 Spd 1, value 100 (00 4C 31 30 30)",
                           "command Servo 4 Spd 1, value 255 (00 50 32 35 35)"};
        QTest::newRow("a new value is a new command")
            << QList<Step>{bytes(frames('F', "128", 3) + frames('F', "129", 3) + frames('F', "128", 3))}
            << QStringList{F128, "command Servo 2 On, value 129 (00 46 31 32 39)", F128};
        QTest::newRow("garbage between equal frames")
            << QList<Step>{bytes(frames('F', "128", 3) + "xyz" + frames('F', "128", 3))} << QStringList{F128, skipped(3)};
        QTest::newRow("a missing zero byte") << QList<Step>{bytes(frame('F', "128") + "F128" + frame('F', "128"))}
                                             << QStringList{F128, skipped(4)};
        QTest::newRow("a value beyond 255") << QList<Step>{bytes(frame('F', "256") + frame('F', "128"))}
                                            << QStringList{skipped(5), F128};
        QTest::newRow("garbage then quiet is reported after the quiet moment")
            << QList<Step>{bytes(frame('F', "128") + "\x7f\x7f", 0), idle(99), idle(100)} << QStringList{F128, skipped(2)};
        QTest::newRow("a frame cut short by the next")
            << QList<Step>{bytes(QByteArray("\0F1", 3) + frame('F', "128"))} << QStringList{skipped(3), F128};
        QTest::newRow("a burst of twenty, then the stream resumes")
            << QList<Step>{bytes(frames('F', "128", 10)), bytes(frames('@', "128", 20)), bytes(frames('F', "128", 10))}
            << QStringList{F128, SaveBurst20, F128};
        QTest::newRow("a burst ends after a quiet moment, not before")
            << QList<Step>{bytes(frames('#', "005", 12), 0), bytes(frames('#', "005", 8), 60), idle(159), idle(160)}
            << QStringList{"Reset burst of 20 frames, value 5 (00 23 30 30 35)"};
        QTest::newRow("save then reset are two bursts")
            << QList<Step>{bytes(frames('@', "001", 20) + frames('#', "001", 20)), idle(500)}
            << QStringList{"Save burst of 20 frames, value 1 (00 40 30 30 31)",
                           "Reset burst of 20 frames, value 1 (00 23 30 30 31)"};
        QTest::newRow("garbage splits a burst")
            << QList<Step>{bytes(frames('@', "128", 9) + "?" + frames('@', "128", 11)), idle(100)}
            << QStringList{"Save burst of 9 frames, value 128 (00 40 31 32 38)", skipped(1),
                           "Save burst of 11 frames, value 128 (00 40 31 32 38)"};
        QTest::newRow("a burst split across reads inside a frame")
            << QList<Step>{bytes(frames('@', "128", 10) + QByteArray("\0@1", 3), 0), bytes("28" + frames('@', "128", 9), 5),
                           idle(105)}
            << QStringList{SaveBurst20};
        QTest::newRow("the panel lets go in the middle of a frame")
            << QList<Step>{panelOpens(), bytes(frames('F', "128", 4) + QByteArray("\0F1", 3)), panelLetsGo()}
            << QStringList{"panel connected", F128, skipped(3), "panel disconnected"};
        QTest::newRow("a burst ends when the panel lets go")
            << QList<Step>{bytes(frames('@', "128", 20)), panelLetsGo()} << QStringList{SaveBurst20, "panel disconnected"};
        QTest::newRow("after a new connection the same command is news again")
            << QList<Step>{bytes(frames('F', "128", 2)), panelLetsGo(), panelOpens(), bytes(frames('F', "128", 2))}
            << QStringList{F128, "panel disconnected", "panel connected", F128};
        QTest::newRow("nothing but garbage")
            << QList<Step>{bytes(QByteArray(64, 'A')), idle(200)} << QStringList{skipped(64)};
    }
    void logsEachChange()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(QStringList, expected);
        WireMonitor monitor;
        QCOMPARE(play(monitor, steps), expected);
    }

    void statusShowsCommandRateAndCounts()
    {
        WireMonitor monitor;
        QVERIFY(QString::fromStdString(monitor.statusLine(Time(0))).startsWith("no frame yet | 0 frames/s"));
        play(monitor, {panelOpens()});
        // 192 frames a second, as 9600 baud carries them, for one and a half seconds.
        for (int i = 0; i < 288; ++i)
            play(monitor, {bytes(frame('F', "128"), i * 1000 / 192)});
        QCOMPARE(QString::fromStdString(monitor.statusLine(Time(287 * 1000 / 192))),
                 "Servo 2 On 128 | 00 46 31 32 38 | 192 frames/s | 288 frames | 0 bad bytes | panel connected");

        play(monitor, {bytes("junk" + frames('@', "128", 7), 1500)});
        QCOMPARE(QString::fromStdString(monitor.statusLine(Time(3000))),
                 "Save 128 | 00 40 31 32 38 | burst 7 | 0 frames/s | 295 frames | 4 bad bytes | panel connected");

        // Bad bytes from before a new connection still count.
        play(monitor, {bytes(QByteArray("\0F", 2), 3000), panelLetsGo()});
        QCOMPARE(QString::fromStdString(monitor.statusLine(Time(3000))),
                 "no frame yet | 0 frames/s | 295 frames | 6 bad bytes | waiting for the panel");
        QCOMPARE(monitor.malformedBytes(), std::size_t{6});
    }
};

QTEST_APPLESS_MAIN(VirtualControllerMonitor)
#include "test_virtual_controller.moc"
