// SPDX-License-Identifier: MIT
#include "RunLoop.h"
#include "ScriptedRuntime.h"
#include "Sermod1.h"
#include "Driver.h"
#include "PreciseWake.h"
#include "StreamCheck.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <functional>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>


class RunLoopOnPty : public QObject {
    Q_OBJECT

    struct Panel {
        PtyPair line;
        MSComm control;
        CountingPort port{control};
        ScriptedRuntime runtime;
        QStringList captions;
        RunLoop loop{port, runtime, [this](std::string_view caption) { captions << QString::fromUtf8(caption.data(), qsizetype(caption.size())); }};
        QByteArray received;

        Panel() { Sermod1::ComPort = line.portNumber(); }
        int framesReceived()
        {
            received += line.readAvailable();
            return static_cast<int>(received.size() / 5);
        }
        // Closes the port once everything taken is out, and returns every frame the far end got.
        QStringList allFrames()
        {
            control.setPortOpen(false);
            framesReceived();
            return framesOf(received);
        }
    };

private slots:
    void untouchedPanelStreamsFirstCellThenSaveBursts()
    {
        Panel panel;
        Driver driver([&] {
            if (panel.framesReceived() >= 20 && panel.loop.RunFlag)
                panel.loop.cmdStop_Click();
        }, [&] { panel.loop.cmdStop_Click(); });
        panel.loop.cmdRun_Click();
        const int outputsAtReturn = panel.port.outputs;

        const QStringList frames = panel.allFrames();
        QCOMPARE(panel.captions, QStringList({"Setting", "Run"}));
        QCOMPARE(panel.loop.RunFlag, 0);
        QVERIFY(panel.runtime.messages.empty());
        QCOMPARE(trailing(frames, "@000"), RunLoop::BurstFrames);
        QCOMPARE(frames.mid(0, frames.size() - RunLoop::BurstFrames), QStringList(frames.size() - RunLoop::BurstFrames, "A000"));
        QVERIFY(frames.size() >= 20 + RunLoop::BurstFrames);
        QCOMPARE(frames.size(), outputsAtReturn);
    }

    // The first frame written after a change carries it.
    void changeShowsInTheNextFrameAndResetEnds()
    {
        Panel panel;
        int changedAt = -1;
        Driver driver([&] {
            if (changedAt < 0 && panel.port.outputs >= 5) {
                changedAt = panel.port.outputs;
                panel.loop.SelIndex = 11;
                panel.loop.PosValue = 1;
            } else if (changedAt >= 0 && panel.port.outputs >= changedAt + 3 && panel.loop.RunFlag) {
                panel.loop.cmdReset_Click();
            }
        }, [&] { panel.loop.cmdStop_Click(); });
        panel.loop.cmdRun_Click();

        const QStringList frames = panel.allFrames();
        QCOMPARE(frames.mid(0, changedAt), QStringList(changedAt, "A000"));
        QCOMPARE(frames.value(changedAt), "L001");
        QCOMPARE(trailing(frames, "#001"), RunLoop::BurstFrames);
        QCOMPARE(frames.size() - RunLoop::BurstFrames - changedAt, trailing(frames.mid(0, frames.size() - RunLoop::BurstFrames), "L001"));
    }

    // Run while running re-opens the port; only the inner run streams, and one Save ends both.
    void nestedRunKeepsOneStream()
    {
        Panel panel;
        bool innerStarted = false, innerReturned = false;
        int outputsAtSave = -1;
        Driver driver([&] {
            if (!innerStarted && panel.port.outputs >= 10) {
                innerStarted = true;
                later([&] {
                    panel.loop.cmdRun_Click();
                    innerReturned = true;
                });
            } else if (innerStarted && panel.port.opens == 2 && panel.port.outputs >= 30 && outputsAtSave < 0) {
                panel.loop.cmdStop_Click();
                outputsAtSave = panel.port.outputs;
            }
        }, [&] { panel.loop.cmdStop_Click(); });
        panel.loop.cmdRun_Click();

        QVERIFY(innerReturned);
        QCOMPARE(panel.port.opens, 2);
        QCOMPARE(panel.port.outputs, outputsAtSave);  // nothing after the burst, from either run
        QCOMPARE(panel.captions, QStringList({"Setting", "Setting", "Run"}));
        const QStringList frames = panel.allFrames();
        QCOMPARE(trailing(frames, "@000"), RunLoop::BurstFrames);
        QCOMPARE(frames.size(), outputsAtSave);
        QCOMPARE(trailing(frames.mid(0, frames.size() - RunLoop::BurstFrames), "A000"), frames.size() - RunLoop::BurstFrames);
    }

    // While the Com prompt is up nothing is written; afterwards the stream goes on on the new line.
    void comDuringRunMovesTheStream()
    {
        Panel panel;
        PtyPair second;
        int outputsWhenOpened = -1, outputsWhenClosed = -1;
        bool asked = false;
        panel.runtime.answers.push_back({std::to_string(second.portNumber()), [&] {
            outputsWhenOpened = panel.port.outputs;
            QTest::qWait(100);
            outputsWhenClosed = panel.port.outputs;
        }});
        QByteArray atSecond;
        Driver driver([&] {
            atSecond += second.readAvailable();
            if (!asked && panel.port.outputs >= 5) {
                asked = true;
                later([&] { panel.loop.mnuCom_Click(); });
            } else if (atSecond.size() >= 50 && panel.loop.RunFlag) {
                panel.loop.cmdStop_Click();
            }
        }, [&] { panel.loop.cmdStop_Click(); });
        panel.loop.cmdRun_Click();

        QCOMPARE(outputsWhenClosed, outputsWhenOpened);
        QCOMPARE(Sermod1::ComPort, second.portNumber());
        QCOMPARE(panel.runtime.prompts.at(0).prompt, "Com port is  ");
        QCOMPARE(panel.runtime.prompts.at(0).title, "Set Com Port");
        QCOMPARE(panel.runtime.prompts.at(0).defaultText, std::to_string(panel.line.portNumber()));
        panel.control.setPortOpen(false);
        const QStringList first = framesOf(panel.received + panel.line.readAvailable());
        const QStringList moved = framesOf(atSecond + second.readAvailable());
        QCOMPARE(first, QStringList(first.size(), "A000"));
        QCOMPARE(trailing(moved, "@000"), RunLoop::BurstFrames);
        QCOMPARE(first.size() + moved.size(), panel.port.outputs);
        QVERIFY(panel.runtime.messages.empty());
    }

    void portsThatFailSayWrongComPortOnce()
    {
        {   // Run on a number that names no port
            Panel panel;
            Sermod1::ComPort = 2000;
            panel.loop.cmdRun_Click();
            QCOMPARE(panel.runtime.messages, std::vector<std::string>{"Error: Wrong COM port"});
            QVERIFY(panel.captions.isEmpty());
            QCOMPARE(panel.loop.RunFlag, 0);
            QCOMPARE(panel.port.outputs, 0);
        }
        {   // Save and Reset with no port open: idle again, and the lost burst is reported
            Panel panel;
            panel.loop.RunFlag = 1;
            panel.loop.cmdStop_Click();
            panel.loop.cmdReset_Click();
            QCOMPARE(panel.runtime.messages.size(), 2u);
            QCOMPARE(panel.runtime.details, std::vector<std::string>(2, "No port is open: Run or Com opens one."));
            QCOMPARE(panel.captions, QStringList({"Run", "Run"}));
            QCOMPARE(panel.loop.RunFlag, 0);
        }
        {   // The far end goes away mid-stream: one message, the stream stops and the panel says
            // so: no stream runs, and Run reads "Run" again
            Panel panel;
            bool gone = false;
            Driver driver([&] {
                if (!gone && panel.port.outputs >= 10) {
                    gone = true;
                    later([&] { panel.loop.cmdRun_Click(); });  // a second run suspended on top
                } else if (gone && panel.port.opens == 2 && panel.port.outputs >= 20) {
                    panel.line.closeMaster();
                }
            }, [&] { panel.loop.cmdStop_Click(); });
            panel.loop.cmdRun_Click();
            QCOMPARE(panel.runtime.messages, std::vector<std::string>{"Error: Wrong COM port"});
            QVERIFY(!panel.control.PortOpen());
            QCOMPARE(panel.captions.last(), "Run");
            QCOMPARE(panel.loop.RunFlag, 0);
        }
    }

    void comAnswersThatChangeNothingOrFail()
    {
        Panel panel;
        const std::int16_t before = Sermod1::ComPort;
        panel.runtime.answers = {{"", {}}, {"abc", {}}, {"1 2", {}}, {"99999", {}},
                                 {"<b>x</b>\tport\nÄÖÜäöü number", {}}};
        for (int i = 0; i < 5; ++i)
            panel.loop.mnuCom_Click();
        QCOMPARE(Sermod1::ComPort, before);
        QCOMPARE(panel.runtime.messages.size(), 4u);
        // Each says what was typed, cut short without splitting a character, and that nothing changed.
        const std::string stays = " is not a port number. The port number stays " + std::to_string(before) + ".";
        QCOMPARE(panel.runtime.details, (std::vector<std::string>{"\"abc\"" + stays, "\"1 2\"" + stays,
                                                                  "\"99999\"" + stays,
                                                                  "\"<b>x</b> port ÄÖÜäöü…\"" + stays}));
        QCOMPARE(panel.port.opens, 0);

        // Idle Com opens the port, and Save then bursts there without any Run.
        panel.runtime.answers = {{" " + std::to_string(before) + " ", {}}};
        panel.loop.mnuCom_Click();
        QVERIFY(panel.control.PortOpen());
        panel.loop.cmdStop_Click();
        QCOMPARE(panel.allFrames(), QStringList(RunLoop::BurstFrames, "@000"));

        // A Com whose port fails during a run: the number is kept, the stream stops, one message.
        panel.runtime.messages.clear();
        panel.runtime.answers = {{"1999", {}}};
        bool asked = false;
        Driver driver([&] {
            if (!asked && panel.port.outputs >= 25) {
                asked = true;
                later([&] { panel.loop.mnuCom_Click(); });
            }
        }, [&] { panel.loop.cmdStop_Click(); });
        panel.loop.cmdRun_Click();
        QCOMPARE(Sermod1::ComPort, 1999);
        QVERIFY(!panel.control.PortOpen());
        QCOMPARE(panel.runtime.messages, std::vector<std::string>{"Error: Wrong COM port"});
        QCOMPARE(panel.loop.RunFlag, 0);
        QCOMPARE(panel.captions.last(), "Run");
    }

    // Exit after a Save, and in the middle of a run: the port closes after what it took, the
    // program ends, and the suspended Run sends nothing more.
    void exitClosesThePortAfterSendingWhatWasTaken()
    {
        Panel panel;
        panel.runtime.answers = {{std::to_string(Sermod1::ComPort), {}}};
        panel.loop.mnuCom_Click();
        panel.loop.cmdStop_Click();
        panel.loop.mnuExit_Click();
        QCOMPARE(panel.runtime.ends, 1);
        QVERIFY(!panel.control.PortOpen());
        QCOMPARE(framesOf(panel.line.readAvailable()), QStringList(RunLoop::BurstFrames, "@000"));

        const int before = panel.port.outputs;
        int atExit = -1;
        Driver driver([&] {
            if (atExit < 0 && panel.port.outputs >= before + 10) {
                atExit = panel.port.outputs;
                panel.loop.mnuExit_Click();
            }
        }, [&] { panel.loop.cmdStop_Click(); });
        panel.loop.cmdRun_Click();
        QCOMPARE(panel.runtime.ends, 2);
        QCOMPARE(panel.port.outputs, atExit);
        QVERIFY(panel.runtime.messages.empty());
        QVERIFY(!panel.control.PortOpen());
        QCOMPARE(framesOf(panel.line.readAvailable()), QStringList(atExit - before, "A000"));
    }

    // Out of descriptors a wake gets no timer of the system's: it says it cannot arm, so that the
    // pump's millisecond timer stands in, and the program goes on.
    void aWakeWithoutDescriptors()
    {
        rlimit limit{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        const int lowestFree = ::open("/dev/null", O_RDONLY);
        QVERIFY(lowestFree >= 0 && ::close(lowestFree) == 0);
        const rlimit none{static_cast<rlim_t>(lowestFree), limit.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &none), 0);
        PreciseWake wake;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &limit), 0);
        QVERIFY(!wake.at(PreciseWake::Clock::now()));
    }
};

QTEST_GUILESS_MAIN(RunLoopOnPty)
#include "test_run_loop.moc"
