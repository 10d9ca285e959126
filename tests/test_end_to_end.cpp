// SPDX-License-Identifier: MIT
#include "PtyPair.h"
#include "StreamCheck.h"
#include "XDoTool.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <functional>

// The built program under a real X server, driven with real input through xdotool, streaming to
// two pseudo-terminals whose far ends this test reads. The screen is the Raspberry Pi's 800 x 480
// touchscreen, with a desktop panel taking its top 36 pixels.
namespace {

QString xdotool(const QStringList& arguments) { return XDoTool::run(arguments); }

// What the screen leaves free beside the panel, told to programs as a window manager tells it.
const QRect WorkArea(0, 36, 800, 444);

bool setWorkArea()
{
    const QString area = QString("%1, %2, %3, %4").arg(WorkArea.x()).arg(WorkArea.y()).arg(WorkArea.width()).arg(WorkArea.height());
    return QProcess::execute("xprop", {"-root", "-f", "_NET_SUPPORTED", "32a", "-set", "_NET_SUPPORTED", "_NET_WORKAREA"}) == 0
        && QProcess::execute("xprop", {"-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", area}) == 0;
}

// The window whole in the free area: nothing under the panel, nothing off the screen.
bool wholeOnScreen(const QString& window)
{
    const QRect geometry = XDoTool::geometryOf(window);
    if (!geometry.isEmpty() && WorkArea.contains(geometry))
        return true;
    qWarning("window %s at %d,%d %dx%d", qPrintable(window), geometry.x(), geometry.y(), geometry.width(),
             geometry.height());
    return false;
}

struct Line {
    PtyPair pty;
    QByteArray received;
    QStringList frames()
    {
        received += pty.readAvailable();
        return framesOf(received.left(received.size() / 5 * 5));
    }
};

class Session : public XDoTool::PanelWindow {
public:
    Line first, second;
    QProcess panel;

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
        waitFor([&] { return !(found = XDoTool::findWindow(title)).isEmpty(); });
        return found;
    }
};

int count(const QStringList& frames, const QString& frame) { return static_cast<int>(frames.count(frame)); }

}  // namespace

class EndToEnd : public QObject {
    Q_OBJECT

private slots:
    void aUserDrivesThePanel()
    {
        QVERIFY2(setWorkArea(), "xprop (x11-utils) could not set the screen's work area");
        Session s;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        s.panel.setProcessEnvironment(environment);
        s.panel.setProcessChannelMode(QProcess::ForwardedChannels);
        s.panel.start(KANDIMOR_PROGRAM, QStringList());
        QVERIFY(s.panel.waitForStarted());

        const QString startPrompt = s.waitForWindow("Port setting");
        QVERIFY(wholeOnScreen(startPrompt));
        XDoTool::answer(startPrompt, QString::number(s.first.pty.portNumber()));
        s.window = s.waitForWindow("Kandimor");
        QVERIFY(!s.window.isEmpty());
        QVERIFY(wholeOnScreen(s.window));
        QVERIFY2(s.measure(), qPrintable(xdotool({"getwindowgeometry", s.window})));

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
        s.com();
        const QString comPrompt = s.waitForWindow("Set Com Port");
        QVERIFY(wholeOnScreen(comPrompt));
        XDoTool::answer(comPrompt, QString::number(s.second.pty.portNumber()));
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
