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

// The Windows program, as installed, under Wine and a real X server, driven with real input
// through xdotool. Its COM5 is a pseudo-terminal whose far end this test reads. Run by the
// Windows lane: KANDIMOR_WINDOWS_PROGRAM names kandimor.exe, WINEPREFIX the Wine prefix it is in,
// KANDIMOR_WINE the command that runs a program there (wine unless set).
namespace {

constexpr int Com = 5;

QString xdotool(const QStringList& arguments) { return XDoTool::run(arguments); }

QString wine() { return qEnvironmentVariable("KANDIMOR_WINE", "wine"); }

class Session : public XDoTool::PanelWindow {
public:
    PtyPair line;
    QByteArray received;
    QProcess panel;
    QString comLink;  // COM5 in the Wine prefix, made for this session's line

    ~Session()
    {
        if (panel.state() != QProcess::NotRunning) {
            panel.kill();
            panel.waitForFinished(10000);
        }
        if (!comLink.isEmpty())
            QFile::remove(comLink);
    }

    QStringList frames()
    {
        received += line.readAvailable();
        return framesOf(received.left(received.size() / 5 * 5));
    }
    // Polls the far end until the condition holds; false after a generous bound.
    bool waitFor(const std::function<bool()>& condition, int milliseconds = 30000)
    {
        return XDoTool::pollUntil([&] {
            frames();
            return condition();
        }, milliseconds);
    }
    QString waitForWindow(const QString& title)
    {
        QString found;
        waitFor([&] { return !(found = XDoTool::findWindow(title)).isEmpty(); }, 60000);
        return found;
    }
};

int count(const QStringList& frames, const QString& frame) { return static_cast<int>(frames.count(frame)); }

// Starts the installed program with COM5 on the session's line, answers 5 at the start prompt,
// and finds the window; false, with the reason logged, when any step fails.
bool start(Session& s)
{
    const QString program = qEnvironmentVariable("KANDIMOR_WINDOWS_PROGRAM");
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (!QFile::exists(program) || !QDir(prefix + "/dosdevices").exists()) {
        qWarning("KANDIMOR_WINDOWS_PROGRAM and WINEPREFIX must name kandimor.exe and its Wine prefix");
        return false;
    }
    s.comLink = prefix + "/dosdevices/com" + QString::number(Com);
    QFile::remove(s.comLink);
    if (!QFile::link(QString::fromStdString(s.line.slavePath()), s.comLink))
        return false;
    s.panel.setProcessChannelMode(QProcess::ForwardedChannels);
    s.panel.start(wine(), {program});
    if (!s.panel.waitForStarted())
        return false;
    const QString prompt = s.waitForWindow("Port setting");
    if (prompt.isEmpty())
        return false;
    XDoTool::answer(prompt, QString::number(Com));
    s.window = s.waitForWindow("Kandimor");
    if (s.window.isEmpty())
        return false;
    if (!s.measure())
        qWarning("unexpected window geometry: %s", qPrintable(xdotool({"getwindowgeometry", s.window})));
    return s.clientTop > 0;
}

}  // namespace

class WindowsProgram : public QObject {
    Q_OBJECT

private slots:
    void aUserDrivesThePanelUnderWine()
    {
        Session s;
        QVERIFY(start(s));

        // Servo 2 / On, then Run: the stream carries F000. How many whole frames a second it
        // carries is told, for the record: Wine's timers are not Windows'.
        s.clickCell(5);
        s.clickRun();
        QVERIFY(s.waitFor([&] { return count(s.frames(), "F000") >= 20; }));
        const int before = count(s.frames(), "F000");
        QElapsedTimer clock;
        clock.start();
        QVERIFY(s.waitFor([&] { return clock.elapsed() >= 2000; }));
        qInfo("whole frames a second under Wine: %.0f",
              (count(s.frames(), "F000") - before) * 1000.0 / static_cast<double>(clock.elapsed()));
        // Servo 3 / Spd 1: L000 from the next frames on.
        s.clickCell(11);
        QVERIFY(s.waitFor([&] { return count(s.frames(), "L000") >= 20; }));
        // Save: twenty @000 frames, and the stream stops.
        s.clickSave();
        QVERIFY(s.waitFor([&] { return count(s.frames(), "@000") == 20; }));
        // Exit: the program ends with status 0 and sends nothing more.
        s.exit();
        QVERIFY(s.panel.waitForFinished(30000));
        QCOMPARE(s.panel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(s.panel.exitCode(), 0);

        QCOMPARE(s.received.size() % 5, 0);
        const QStringList phases = phasesOf(s.frames());
        QCOMPARE(phases.size(), 3);
        QCOMPARE(phases[0].section(' ', 0, 0), "F000");
        QCOMPARE(phases[1].section(' ', 0, 0), "L000");
        QCOMPARE(phases[2], "@000 20");
    }
};

QTEST_GUILESS_MAIN(WindowsProgram)
#include "test_windows_program.moc"
