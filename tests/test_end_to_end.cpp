// SPDX-License-Identifier: MIT
#include "EndToEndSession.h"
#include "PtyPair.h"
#include "StreamCheck.h"
#include "XDoTool.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <functional>

// The built program on a real desktop, driven with real input, streaming to two pseudo-terminals
// whose far ends this test reads: under Xvfb through xdotool, and as a native Wayland client of
// a headless sway through wtype and a virtual pointer. The screen is the Raspberry Pi's
// 800 x 480 touchscreen.
namespace {

class Session : public PanelWindow {
public:
    explicit Session(Desktop& desktop) : PanelWindow(desktop) {}

    FarEnd first, second;
    QProcess panel;
    QRect freeArea;  // where windows must stand whole
    bool clickMovesKeyboard = false;

    // Polls the far ends until the condition holds; false after a generous bound.
    bool waitFor(const std::function<bool()>& condition, int milliseconds = 15000)
    {
        return XDoTool::pollUntil([&] {
            first.frames();
            second.frames();
            return condition();
        }, milliseconds);
    }
    QString waitForWindow(const QString& title)
    {
        QString found;
        waitFor([&] { return !(found = desktop.findWindow(title)).isEmpty(); });
        return found;
    }
    // The window whole in the free area: nothing under a panel, nothing off the screen.
    bool wholeOnScreen(const QString& shown)
    {
        const QRect frame = desktop.frameOf(shown);
        if (!frame.isEmpty() && freeArea.contains(frame))
            return true;
        qWarning("window %s at %d,%d %dx%d", qPrintable(shown), frame.x(), frame.y(), frame.width(), frame.height());
        return false;
    }
    // The window has the keyboard, on its own: nothing focuses it.
    bool hasKeyboard(const QString& shown, const char* when = "")
    {
        QString active;
        if (XDoTool::pollUntil([&] { return (active = desktop.activeWindow()) == shown; }, 15000))
            return true;
        qWarning("window %s, not %s, has the keyboard%s", qPrintable(active), qPrintable(shown), when);
        return false;
    }
    // A dialog of the program stands whole with the keyboard, and a click on the window beside it
    // changes nothing, as the dialog is modal: the click is on a control the dialog leaves
    // uncovered, whose effect would show in the stream, else on the window's edge. Where a click
    // moves the keyboard, the dialog takes it back.
    bool modalKeepsKeyboard(const QString& dialog)
    {
        if (!wholeOnScreen(dialog) || !hasKeyboard(dialog))
            return false;
        const QRect covered = desktop.frameOf(dialog);
        const QPoint client = desktop.contentsOf(window).topLeft() + QPoint(0, clientTop);
        for (const QPoint point : {cell(0), Reset, Run, Save, RightArrow, QPoint(2, ClientHeight / 2),
                                   QPoint(548, ClientHeight / 2), QPoint(275, ClientHeight - 2)}) {
            if (!covered.contains(client + point)) {
                click(point);
                return !clickMovesKeyboard || hasKeyboard(dialog, " after a click on the window");
            }
        }
        qWarning("dialog %s covers the whole window", qPrintable(dialog));
        return false;
    }
};

}  // namespace

class EndToEnd : public QObject {
    Q_OBJECT

private slots:
    void aUserDrivesThePanel()
    {
        const EndToEndSession session = startSession();
        QVERIFY(session.desktop);
        Desktop* desktop = session.desktop.get();
        Session s(*desktop);
        s.freeArea = session.freeArea;
        s.clickMovesKeyboard = session.clickMovesKeyboard;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", session.platform);
        s.panel.setProcessEnvironment(environment);
        s.panel.setProcessChannelMode(QProcess::ForwardedChannels);
        s.panel.start(KANDIMOR_PROGRAM, QStringList());
        QVERIFY(s.panel.waitForStarted());

        const QString startPrompt = s.waitForWindow("Port setting");
        QVERIFY(s.wholeOnScreen(startPrompt));
        QVERIFY(s.hasKeyboard(startPrompt));
        desktop->answer(QString::number(s.first.pty.portNumber()));
        s.window = s.waitForWindow("Kandimor");
        QVERIFY(!s.window.isEmpty());
        QVERIFY(s.wholeOnScreen(s.window));
        QVERIFY(s.measure());
        // The desktop ties the window to the program's entry: by app id on Wayland, by the
        // entry's StartupWMClass on X11.
        QCOMPARE(desktop->programOf(s.window), session.program);

        // Servo 2 / On, then Run: the stream carries F000.
        s.clickCell(5);
        s.clickRun();
        QVERIFY(s.waitFor([&] { return count(s.first.frames(), "F000") >= 20; }));
        // One arrow click: from the next frames on, F001.
        s.clickRightArrow();
        QVERIFY(s.waitFor([&] { return count(s.first.frames(), "F001") >= 20; }));
        // Servo 3 / Spd 1: L001.
        s.clickCell(11);
        QVERIFY(s.waitFor([&] { return count(s.first.frames(), "L001") >= 20; }));
        // Save: twenty @001 frames, and the stream stops.
        s.clickSave();
        QVERIFY(s.waitFor([&] { return count(s.first.frames(), "@001") == 20; }));
        // A change while idle, so that a stray stream frame would show as L001 after the burst.
        s.clickRightArrow();
        s.clickRun();
        QVERIFY(s.waitFor([&] { return count(s.first.frames(), "L002") >= 20; }));
        s.clickReset();
        QVERIFY(s.waitFor([&] { return count(s.first.frames(), "#002") == 20; }));
        // Run again, and move the running stream to the second line with Com.
        s.clickRun();
        QVERIFY(s.waitFor([&] { return count(s.first.frames(), "L002") >= 40; }));
        // Com, answered with no number: the message box, then the stream goes on.
        s.com();
        QString comPrompt = s.waitForWindow("Set Com Port");
        QVERIFY(s.modalKeepsKeyboard(comPrompt));
        desktop->answer("x");
        const QString message = s.waitForWindow("Error");
        QVERIFY(s.modalKeepsKeyboard(message));
        desktop->pressReturn();
        const int streamed = count(s.first.frames(), "L002");
        QVERIFY(s.waitFor([&] { return count(s.first.frames(), "L002") >= streamed + 20; }));
        s.com();
        comPrompt = s.waitForWindow("Set Com Port");
        QVERIFY(s.modalKeepsKeyboard(comPrompt));
        desktop->answer(QString::number(s.second.pty.portNumber()));
        QVERIFY(s.waitFor([&] { return count(s.second.frames(), "L002") >= 20; }));
        // Exit during the run: the port closes and the program ends with status 0.
        s.exit();
        QVERIFY(s.panel.waitForFinished(15000));
        QCOMPARE(s.panel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(s.panel.exitCode(), 0);

        // The kernel hands the last bytes to the far end a moment later; none is cut short.
        QVERIFY(s.waitFor([&] { return s.second.received.size() % 5 == 0; }));
        const QStringList moved = s.second.frames();
        QCOMPARE(moved, QStringList(moved.size(), "L002"));

        // The first line, in order: each phase whole, the bursts exactly twenty, nothing after the
        // move to the second line.
        const QStringList frames = s.first.frames();
        QCOMPARE(s.first.received.size() % 5, 0);
        const QStringList phases = phasesOf(frames);
        QCOMPARE(phases.size(), 7);
        const QStringList expected{"F000", "F001", "L001", "@001", "L002", "#002", "L002"};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(phases[i].section(' ', 0, 0), expected[i]);
        QCOMPARE(phases[3], "@001 20");
        QCOMPARE(phases[5], "#002 20");
    }
};

QTEST_GUILESS_MAIN(EndToEnd)
#include "test_end_to_end.moc"
