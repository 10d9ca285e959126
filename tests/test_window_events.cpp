// SPDX-License-Identifier: MIT
#include "FormRuntime.h"
#include "ModalAnswerer.h"
#include "PtyPair.h"
#include "Sermod1.h"
#include "Driver.h"
#include "StreamCheck.h"
#include "frmVestrel.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace {

// The panel on a pseudo-terminal, shown offscreen, with the real dialogs answered by a script.
struct Panel {
    PtyPair line;
    FormRuntime runtime;
    ModalAnswerer answerer;
    frmVestrel form{runtime};
    QByteArray received;

    Panel()
    {
        Sermod1::ComPort = line.portNumber();
        form.show();
    }
    template <typename T> T* find(const char* name) { return form.findChild<T*>(name); }
    QRadioButton* cell(int index) { return find<QRadioButton>(qPrintable(QString("optSer%1").arg(index))); }
    void click(const char* name) { QTest::mouseClick(find<QWidget>(name), Qt::LeftButton); }
    void clickRightArrow()
    {
        auto* bar = find<QScrollBar>("HScroll1");
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 4, bar->height() / 2));
    }
    void com() { find<QAction>("mnuCom")->trigger(); }
    qsizetype receivedBytes()
    {
        received += line.readAvailable();
        return received.size();
    }
    QStringList allFrames()
    {
        form.serialControl().setPortOpen(false);
        receivedBytes();
        return framesOf(received);
    }
    QString caption() { return find<QPushButton>("cmdRun")->text(); }
};

// How many frames from `from` on still carry `old` before the first one that does not.
int olderFramesAfter(const QStringList& frames, int from, const QString& old)
{
    int count = 0;
    while (from + count < frames.size() && frames[from + count] == old)
        ++count;
    return count;
}

}  // namespace

class WindowEvents : public QObject {
    Q_OBJECT

private slots:
    // A cell click and one arrow click during a run steer the stream from the next frame on.
    void gridAndScrollBarSteerTheRunningStream()
    {
        Panel panel;
        int step = 0;
        qsizetype clickedCellAt = 0, clickedArrowAt = 0;
        Driver driver([&] {
            const qsizetype bytes = panel.receivedBytes();
            if (step == 0 && bytes >= 50) {
                clickedCellAt = bytes;
                panel.cell(11)->click();  // Servo 3 / Spd 1
                ++step;
            } else if (step == 1 && bytes >= clickedCellAt + 50) {
                clickedArrowAt = bytes;
                panel.clickRightArrow();
                ++step;
            } else if (step == 2 && bytes >= clickedArrowAt + 50) {
                panel.click("cmdStop");
                ++step;
            }
        }, [&] { panel.click("cmdStop"); });
        panel.click("cmdRun");
        driver.stop();

        QCOMPARE(step, 3);
        QCOMPARE(panel.find<QLabel>("lblVal")->text(), "1");
        QCOMPARE(panel.form.runLoop().SelIndex, 11);
        QCOMPARE(panel.caption(), "Run");
        const QStringList frames = panel.allFrames();
        const int cellFrame = static_cast<int>(clickedCellAt / 5), arrowFrame = static_cast<int>(clickedArrowAt / 5);
        QCOMPARE(frames.mid(0, cellFrame), QStringList(cellFrame, "A000"));
        // At most the frame on the wire and the one queued behind it are older than the click.
        QVERIFY(olderFramesAfter(frames, cellFrame, "A000") <= 2);
        QVERIFY(olderFramesAfter(frames, arrowFrame, "L000") <= 2);
        const int firstL001 = static_cast<int>(frames.indexOf("L001"));
        QVERIFY(firstL001 > cellFrame);
        QCOMPARE(frames.mid(cellFrame, firstL001 - cellFrame).filter("A000").size()
                     + frames.mid(cellFrame, firstL001 - cellFrame).filter("L000").size(),
                 firstL001 - cellFrame);
        QCOMPARE(trailing(frames, "@001"), 20);
        QCOMPARE(trailing(frames.mid(0, frames.size() - 20), "L001"), frames.size() - 20 - firstL001);
        QVERIFY(panel.answerer.seen.empty());
    }

    // The wheel moves the value only while the bar has the focus, one step a notch; over an
    // unfocused bar it changes nothing and goes no further. The arrow keys move it their way.
    void wheelMovesTheValueOnlyWhereTheUserIs()
    {
        Panel panel;
        auto* bar = panel.find<QScrollBar>("HScroll1");
        auto* label = panel.find<QLabel>("lblVal");
        const auto turn = [&](int angle) {
            QWheelEvent wheel(QPointF(10, 5), bar->mapToGlobal(QPointF(10, 5)), {}, QPoint(0, angle), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &wheel);
            return wheel.isAccepted();
        };
        panel.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel.form));
        QCOMPARE(QApplication::focusWidget(), panel.find<QWidget>("cmdRun"));
        QVERIFY(turn(-240));
        QCOMPARE(bar->value(), 0);
        QCOMPARE(label->text(), "");

        QTest::keyClick(panel.find<QWidget>("cmdRun"), Qt::Key_Tab);
        QTest::keyClick(panel.find<QWidget>("cmdStop"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), bar);
        turn(-120);
        QCOMPARE(label->text(), "1");
        turn(-240);
        QCOMPARE(label->text(), "3");
        turn(120);
        QCOMPARE(label->text(), "2");
        for (int i = 0; i < 4; ++i)
            turn(-30);  // a touchpad's finer steps add up to a notch
        QCOMPARE(label->text(), "3");
        // The arrow keys: right for more, as the bar's right arrow button, left for less.
        QTest::keyClick(bar, Qt::Key_Right);
        QTest::keyClick(bar, Qt::Key_Right);
        QTest::keyClick(bar, Qt::Key_Left);
        QCOMPARE(label->text(), "4");
        QCOMPARE(panel.form.runLoop().PosValue, 4);
    }

    void comWhileIdleThenSaveBurstsOnTheNewPortWithoutRun()
    {
        Panel panel;
        PtyPair second;
        panel.answerer.then(ModalAnswerer::type(QString::number(second.portNumber())));
        panel.com();
        QCOMPARE(panel.answerer.seen.size(), 1u);
        const auto& prompt = panel.answerer.seen[0];
        QCOMPARE(prompt.kind, "InputBox");
        QCOMPARE(prompt.title, "Set Com Port");
        QCOMPARE(prompt.text, "Com port is  ");
        QCOMPARE(prompt.defaultText, QString::number(panel.line.portNumber()));
        QVERIFY(panel.form.serialControl().PortOpen());

        panel.click("cmdStop");
        panel.form.serialControl().setPortOpen(false);
        QCOMPARE(framesOf(second.readAvailable()), QStringList(20, "@000"));
        QVERIFY(panel.line.readAvailable().isEmpty());
        QCOMPARE(panel.caption(), "Run");
    }

    // While the Com prompt is up nothing is written; then the stream goes on on the new port.
    void comDuringRunSendsNothingWhileItsPromptIsOpen()
    {
        Panel panel;
        PtyPair second;
        qsizetype arrivedWhileOpen = -1;
        panel.answerer.then([&](QDialog& dialog) {
            // What was taken before the prompt still drains; after that the line must stay quiet.
            QTRY_COMPARE_WITH_TIMEOUT(panel.form.serialControl().pendingBytes(), 0u, 5000);
            panel.receivedBytes();
            QTest::qWait(200);
            arrivedWhileOpen = panel.line.readAvailable().size();
            ModalAnswerer::type(QString::number(second.portNumber()))(dialog);
        });
        bool asked = false;
        QByteArray atSecond;
        Driver driver([&] {
            atSecond += second.readAvailable();
            if (!asked && panel.receivedBytes() >= 50) {
                asked = true;
                later([&] { panel.com(); });
            } else if (atSecond.size() >= 50 && panel.caption() == "Setting") {
                panel.click("cmdStop");
            }
        }, [&] { panel.click("cmdStop"); });
        panel.click("cmdRun");
        driver.stop();

        QCOMPARE(arrivedWhileOpen, 0);
        panel.form.serialControl().setPortOpen(false);
        const QStringList moved = framesOf(atSecond + second.readAvailable());
        QCOMPARE(trailing(moved, "@000"), 20);
        QCOMPARE(trailing(moved.mid(0, moved.size() - 20), "A000"), moved.size() - 20);
        QCOMPARE(Sermod1::ComPort, second.portNumber());
    }

    // Cancel changes nothing; an answer that is no port number says so and changes nothing; a
    // port that fails to open keeps the number, closes the port and stops the stream, said once.
    void comAnswersThatChangeNothingOrFail()
    {
        Panel panel;
        qsizetype afterCancel = -1, afterNonsense = -1;
        panel.answerer.then(ModalAnswerer::cancel());
        panel.answerer.then(ModalAnswerer::type("3 port"));
        panel.answerer.then(ModalAnswerer::ok());
        panel.answerer.then(ModalAnswerer::type("1999"));
        panel.answerer.then(ModalAnswerer::ok());
        int step = 0, comsDone = 0;
        auto com = [&] {
            later([&] {
                panel.com();
                ++comsDone;
            });
        };
        Driver driver([&] {
            const qsizetype bytes = panel.receivedBytes();
            if (step == 0 && bytes >= 25) {
                com();  // cancelled
                step = 1;
            } else if (step == 1 && comsDone == 1) {
                afterCancel = bytes;
                step = 2;
            } else if (step == 2 && bytes >= afterCancel + 25) {
                com();  // not a number
                step = 3;
            } else if (step == 3 && comsDone == 2) {
                afterNonsense = bytes;
                step = 4;
            } else if (step == 4 && bytes >= afterNonsense + 25) {
                com();  // names no device
                step = 5;
            }
        }, [&] { panel.click("cmdStop"); });
        panel.click("cmdRun");  // returns when the failed Com has stopped the stream
        driver.stop();

        QCOMPARE(step, 5);
        QVERIFY(panel.answerer.idle());
        QCOMPARE(panel.answerer.seen.size(), 5u);
        for (int i : {2, 4}) {
            const auto& message = panel.answerer.seen[static_cast<std::size_t>(i)];
            QCOMPARE(message.kind, "MsgBox");
            QCOMPARE(message.text, "Wrong COM port");
            QCOMPARE(message.title, "Error");
            QCOMPARE(message.buttons, 1);
            QVERIFY(!message.icon);
        }
        QCOMPARE(Sermod1::ComPort, 1999);
        QVERIFY(!panel.form.serialControl().PortOpen());
        const QStringList frames = framesOf(panel.received + panel.line.readAvailable());
        QCOMPARE(frames, QStringList(frames.size(), "A000"));
        QVERIFY(frames.size() >= 15);

    }

    // Closing the window ends the program as Exit does: the port is closed after what was taken.
    void closingTheWindowEndsLikeExit()
    {
        Panel panel;
        panel.answerer.then(ModalAnswerer::type(QString::number(panel.line.portNumber())));
        panel.com();
        panel.click("cmdReset");
        panel.form.close();
        QCOMPARE(panel.runtime.ends, 1);
        QVERIFY(!panel.form.serialControl().PortOpen());
        QCOMPARE(framesOf(panel.line.readAvailable()), QStringList(20, "#000"));
    }
};

QTEST_MAIN(WindowEvents)
#include "test_window_events.moc"
