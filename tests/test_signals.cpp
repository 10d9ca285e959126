// SPDX-License-Identifier: MIT
#include "PtyPair.h"
#include "RunLoop.h"
#include "StreamCheck.h"
#include "XDoTool.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <functional>

// The built program under a real X server, ended by SIGTERM, SIGHUP and SIGINT as a logout, a
// kill or Ctrl-C would end it: it ends as Exit does, with status 0, and what the serial control
// had taken still reaches the far end, whole, with nothing after it.
namespace {

class Panel {
public:
    PtyPair line;
    QByteArray received;
    QProcess program;

    Panel()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(KANDIMOR_PROGRAM, QStringList());
    }
    ~Panel()
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    // Reads the far end until the condition holds; false after a generous bound.
    bool waitFor(const std::function<bool()>& condition)
    {
        return XDoTool::pollUntil([&] {
            received += line.readAvailable();
            return condition();
        }, 15000);
    }
    QStringList frames() const { return framesOf(received.left(received.size() / 5 * 5)); }

    // Answers the start prompt with this line's number and presses Run (it has the focus) with
    // the keyboard; true once the stream is on the line.
    bool run()
    {
        const QString prompt = XDoTool::waitForWindow("Port setting");
        if (prompt.isEmpty())
            return false;
        XDoTool::answer(prompt, QString::number(line.portNumber()));
        const QString window = XDoTool::waitForWindow("Kandimor");
        if (window.isEmpty())
            return false;
        XDoTool::run({"windowfocus", "--sync", window});
        XDoTool::run({"key", "space"});
        return waitFor([&] { return frames().size() >= 20; });
    }
    // Tab leads from Run to Save.
    void save() { XDoTool::run({"key", "Tab", "space"}); }

    void send(int signal) { ::kill(static_cast<pid_t>(program.processId()), signal); }
    bool ended() { return program.state() == QProcess::NotRunning || program.waitForFinished(15000); }
    bool endedAsExitDoes()
    {
        return ended() && program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0;
    }
};

void addSignalRows(int tries)
{
    QTest::addColumn<int>("stopSignal");
    const std::pair<const char*, int> stopSignals[] = {{"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGINT", SIGINT}};
    for (const auto& [name, number] : stopSignals)
        for (int attempt = 1; attempt <= tries; ++attempt)
            QTest::addRow("%s, try %d", name, attempt) << number;
}

}  // namespace

class Signals : public QObject {
    Q_OBJECT

private slots:
    // While the start prompt is open there is no port yet: the program just ends.
    void atTheStartPrompt_data() { addSignalRows(1); }
    void atTheStartPrompt()
    {
        QFETCH(int, stopSignal);
        Panel panel;
        QVERIFY(!XDoTool::waitForWindow("Port setting").isEmpty());
        panel.send(stopSignal);
        QVERIFY(panel.endedAsExitDoes());
        QVERIFY(panel.line.readAvailable().isEmpty());
    }

    // A Run suspended in its pump never resumes: the stream stops on a whole frame.
    void duringARun_data() { addSignalRows(1); }
    void duringARun()
    {
        QFETCH(int, stopSignal);
        Panel panel;
        QVERIFY(panel.run());
        panel.send(stopSignal);
        QVERIFY(panel.endedAsExitDoes());
        QVERIFY2(panel.waitFor([&] { return panel.received.size() % 5 == 0; }),
                 qPrintable(QString::number(panel.received.size())));
        const QStringList frames = panel.frames();
        QCOMPARE(frames, QStringList(frames.size(), "A000"));
    }

    // The signal a moment after Save, while most of the burst still waits in the serial control:
    // the whole burst goes out before the port closes.
    void rightAfterSave_data() { addSignalRows(3); }
    void rightAfterSave()
    {
        QFETCH(int, stopSignal);
        Panel panel;
        QVERIFY(panel.run());
        panel.save();
        QVERIFY(panel.waitFor([&] { return panel.received.contains('@'); }));
        panel.send(stopSignal);
        QVERIFY(panel.ended());
        panel.waitFor([&] {
            return panel.received.size() % 5 == 0 && trailing(panel.frames(), "@000") >= RunLoop::BurstFrames;
        });
        const QStringList frames = panel.frames();
        QCOMPARE(panel.received.size() % 5, 0);
        QCOMPARE(trailing(frames, "@000"), RunLoop::BurstFrames);
        const QStringList stream = frames.mid(0, frames.size() - RunLoop::BurstFrames);
        QCOMPARE(stream, QStringList(stream.size(), "A000"));
        QVERIFY(panel.endedAsExitDoes());
    }
};

QTEST_GUILESS_MAIN(Signals)
#include "test_signals.moc"
