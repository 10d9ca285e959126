// SPDX-License-Identifier: MIT
#include "Frames.h"
#include "PtyPair.h"
#include "XDoTool.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <functional>

// The program as a user installed it, under a real X server, driven with real input through
// xdotool, streaming to a pseudo-terminal whose far end this test reads. Run by the lanes that
// install it: KANDIMOR_INSTALLED_PROGRAM names the program, KANDIMOR_RUNNER the command it runs
// under, if any (Wine for the Windows program, chroot into the system of another architecture
// it is installed in, whose programs qemu-user runs). With WINEPREFIX set the program is the
// Windows one, and its COM5 is made the line.
namespace {

constexpr int Com = 5;

bool underWine() { return qEnvironmentVariableIsSet("WINEPREFIX"); }

class Session : public PanelWindow {
public:
    Session() : PanelWindow(XDoTool::desktop()) {}

    FarEnd line;
    QProcess panel;
    QString comLink;  // under Wine, COM5 in its prefix, made for this session's line

    ~Session()
    {
        if (panel.state() != QProcess::NotRunning) {
            panel.kill();
            panel.waitForFinished(10000);
        }
        if (!comLink.isEmpty())
            QFile::remove(comLink);
    }

    // Polls the far end until the condition holds; false after a generous bound.
    bool waitFor(const std::function<bool()>& condition, int milliseconds = 30000)
    {
        return XDoTool::pollUntil([&] {
            line.frames();
            return condition();
        }, milliseconds);
    }
};

// Starts the installed program on the session's line (under Wine as COM5), answers the start
// prompt, and finds the window; false, with the reason logged, when any step fails.
bool start(Session& s)
{
    const QString program = qEnvironmentVariable("KANDIMOR_INSTALLED_PROGRAM");
    QStringList command = QProcess::splitCommand(qEnvironmentVariable("KANDIMOR_RUNNER"));
    QString port = QString::number(s.line.pty.portNumber());
    if (underWine()) {
        const QString prefix = qEnvironmentVariable("WINEPREFIX");
        if (!QFile::exists(program) || !QDir(prefix + "/dosdevices").exists()) {
            qWarning("KANDIMOR_INSTALLED_PROGRAM and WINEPREFIX must name kandimor.exe and its Wine prefix");
            return false;
        }
        s.comLink = prefix + "/dosdevices/com" + QString::number(Com);
        QFile::remove(s.comLink);
        if (!QFile::link(QString::fromStdString(s.line.pty.slavePath()), s.comLink))
            return false;
        port = QString::number(Com);
    } else if (program.isEmpty()) {
        qWarning("KANDIMOR_INSTALLED_PROGRAM must name the installed program");
        return false;
    }
    command << program;
    s.panel.setProcessChannelMode(QProcess::ForwardedChannels);
    s.panel.start(command.takeFirst(), command);
    if (!s.panel.waitForStarted())
        return false;
    const QString prompt = XDoTool::waitForWindow("Port setting", 60000);
    if (prompt.isEmpty())
        return false;
    XDoTool::answer(prompt, port);
    s.window = XDoTool::waitForWindow("Kandimor", 60000);
    if (s.window.isEmpty())
        return false;
    if (!s.measure())
        qWarning("unexpected window geometry: %s", qPrintable(XDoTool::run({"getwindowgeometry", s.window})));
    return s.clientTop > 0;
}

}  // namespace

class InstalledProgram : public QObject {
    Q_OBJECT

private slots:
    void aUserDrivesThePanel()
    {
        Session s;
        QVERIFY(start(s));

        // Servo 2 / On, then Run: the stream carries F000. How many whole frames a second it
        // carries is told, for the record: under Wine or qemu-user the clocks are not the real
        // system's.
        s.clickCell(5);
        s.clickRun();
        QVERIFY(s.waitFor([&] { return count(s.line.frames(), "F000") >= 20; }));
        const int before = count(s.line.frames(), "F000");
        QElapsedTimer clock;
        clock.start();
        QVERIFY(s.waitFor([&] { return clock.elapsed() >= 2000; }));
        qInfo("whole frames a second: %.0f",
              (count(s.line.frames(), "F000") - before) * 1000.0 / static_cast<double>(clock.elapsed()));
        // Servo 3 / Spd 1: L000 from the next frames on.
        s.clickCell(11);
        QVERIFY(s.waitFor([&] { return count(s.line.frames(), "L000") >= 20; }));
        // Save: twenty @000 frames, and the stream stops.
        s.clickSave();
        QVERIFY(s.waitFor([&] { return count(s.line.frames(), "@000") == 20; }));
        // Exit: the program ends with status 0 and sends nothing more.
        s.exit();
        QVERIFY(s.panel.waitForFinished(30000));
        QCOMPARE(s.panel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(s.panel.exitCode(), 0);

        QCOMPARE(s.line.received.size() % 5, 0);
        const QStringList phases = phasesOf(s.line.frames());
        QCOMPARE(phases.size(), 3);
        QCOMPARE(phases[0].section(' ', 0, 0), "F000");
        QCOMPARE(phases[1].section(' ', 0, 0), "L000");
        QCOMPARE(phases[2], "@000 20");
    }
};

QTEST_GUILESS_MAIN(InstalledProgram)
#include "test_installed_program.moc"
