// SPDX-License-Identifier: MIT
#include "Frames.h"
#include "XDoTool.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// The program as installed, driven as a user drives it, on a real kernel driver, inside one of
// tools/drivers/test.sh's virtual machines. KANDIMOR_INSTALLED_PROGRAM and KANDIMOR_RUNNER: the
// program and what it runs under (a user's ids); KANDIMOR_PORT: the number typed at the prompt;
// KANDIMOR_FAR_END: the device the line's far end is read from (none: nothing reads it);
// KANDIMOR_UNPLUG: a shell command that pulls the device. Figures go to the lane's report.
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Read on a thread of its own as bytes arrive, so that when they came is known to the
// millisecond, whatever the test's thread waits on (xdotool under emulation).
class DeviceFarEnd {
public:
    explicit DeviceFarEnd(const QString& path) : fd_(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios raw{};
        // A gadget's tty echoes by default: what it sent back would reach the panel.
        if (fd_ >= 0 && tcgetattr(fd_, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(fd_, TCSANOW, &raw);
        }
        if (fd_ >= 0)
            reader_ = std::thread([this] { read(); });
    }
    ~DeviceFarEnd()
    {
        stop_ = true;
        if (reader_.joinable())
            reader_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }
    QByteArray received()
    {
        std::lock_guard lock(mutex_);
        return bytes_;
    }
    QStringList frames()
    {
        const QByteArray bytes = received();
        return framesOf(bytes.left(bytes.size() / 5 * 5));
    }
    // The bytes that came in [from, to), and the longest time between two arrivals there (ms).
    std::pair<qsizetype, double> between(Clock::time_point from, Clock::time_point to)
    {
        std::lock_guard lock(mutex_);
        qsizetype bytes = 0;
        double longest = 0;
        for (std::size_t i = 0; i < arrivals_.size(); ++i) {
            if (arrivals_[i].first < from || arrivals_[i].first >= to)
                continue;
            bytes += arrivals_[i].second;
            if (i > 0 && arrivals_[i - 1].first >= from)
                longest = std::max(longest, std::chrono::duration<double, std::milli>(arrivals_[i].first - arrivals_[i - 1].first).count());
        }
        return {bytes, longest};
    }

private:
    void read()
    {
        char chunk[4096];
        while (!stop_) {
            pollfd ready{fd_, POLLIN, 0};
            const ssize_t got = ::poll(&ready, 1, 50) > 0 ? ::read(fd_, chunk, sizeof chunk) : 0;
            if (got < 0 || (ready.revents & POLLHUP))
                std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a pulled device's end
            if (got <= 0)
                continue;
            std::lock_guard lock(mutex_);
            bytes_.append(chunk, got);
            arrivals_.emplace_back(Clock::now(), got);
        }
    }

    const int fd_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    QByteArray bytes_;
    std::vector<std::pair<Clock::time_point, qsizetype>> arrivals_;
    std::thread reader_;
};

class Session : public PanelWindow {
public:
    Session() : PanelWindow(XDoTool::desktop()), far(qEnvironmentVariable("KANDIMOR_FAR_END")) {}
    ~Session()
    {
        if (panel.state() != QProcess::NotRunning) {
            panel.kill();
            panel.waitForFinished(10000);
        }
    }
    static bool waitFor(const std::function<bool()>& condition, int milliseconds = 60000)
    {
        return XDoTool::pollUntil(condition, milliseconds);
    }
    int frames(const QString& frame) { return count(far.frames(), frame); }
    // What the panel wrote to standard error (what its message box says), up to `words`.
    QString saidUntil(const QString& words)
    {
        QString said;
        waitFor([&] {
            panel.waitForReadyRead(100);
            return (said += QString::fromUtf8(panel.readAllStandardError())).contains(words);
        }, 10000);
        return said;
    }
    // Answers the error box as a user does, and waits for it to go.
    static bool answerError()
    {
        XDoTool::run({"key", "Return"});
        return waitFor([] { return XDoTool::findWindow("Error").isEmpty(); });
    }

    // Starts the installed program, answers the port prompt once its offer is read, and finds
    // the window. The panel's standard error is kept: it says what a message box says.
    bool start()
    {
        QStringList command = QProcess::splitCommand(qEnvironmentVariable("KANDIMOR_RUNNER"));
        command << qEnvironmentVariable("KANDIMOR_INSTALLED_PROGRAM");
        panel.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        panel.setReadChannel(QProcess::StandardError);
        panel.start(command.takeFirst(), command);
        if (!panel.waitForStarted())
            return false;
        const QString prompt = XDoTool::waitForWindow("Port setting", 120000);
        if (prompt.isEmpty())
            return false;
        qInfo().noquote() << "figures: offered:" << offered(prompt).join(" | ");
        XDoTool::answer(prompt, qEnvironmentVariable("KANDIMOR_PORT"));
        window = XDoTool::waitForWindow("Kandimor", 120000);
        return !window.isEmpty() && measure();
    }

    // The offer's entries as a user copies them (Ctrl+C copies the current one), once the scan
    // found what to offer; the keyboard goes back to the field after.
    static QStringList offered(const QString& prompt)
    {
        QStringList entries;
        XDoTool::run({"windowfocus", "--sync", prompt});
        XDoTool::run({"key", "Tab"});
        waitFor([&] {
            entries.clear();
            XDoTool::run({"key", "Home"});
            for (int row = 0; row < 8; ++row) {
                XDoTool::run({"key", "ctrl+c"});
                const QString entry = QGuiApplication::clipboard()->text().simplified();
                if (!entry.isEmpty() && entries.contains(entry))
                    break;
                if (!entry.isEmpty())  // before the list has a current entry
                    entries << entry;
                XDoTool::run({"key", "Down"});
            }
            return !entries.join(' ').contains("Looking for the ports");
        }, 30000);
        XDoTool::run({"key", "shift+Tab"});
        return entries;
    }

    DeviceFarEnd far;
    QProcess panel;
};

}  // namespace

class RealLine : public QObject {
    Q_OBJECT

private slots:
    // Servo 2 / On, Run, three arrow clicks, Save, and Exit at once: the stream at full rate with
    // each change in it, then the whole burst, though Exit came while it was leaving.
    void streamSaveAndExit()
    {
        if (qEnvironmentVariable("KANDIMOR_FAR_END").isEmpty())
            QSKIP("no far end to read");
        Session s;
        QVERIFY2(s.far.isOpen(), "the far end named does not open");
        QVERIFY(s.start());
        s.clickCell(5);
        s.clickRun();
        QVERIFY(s.waitFor([&] { return s.frames("F000") >= 20; }));
        const Clock::time_point from = Clock::now();
        QVERIFY(s.waitFor([&] { return secondsSince(from) >= 5; }));
        const Clock::time_point to = Clock::now();
        for (const QString frame : {"F001", "F002", "F003"}) {
            s.clickRightArrow();
            QVERIFY2(s.waitFor([&] { return s.frames(frame) >= 5; }), qPrintable(frame));
        }
        const auto [streamed, longestSilence] = s.far.between(from, Clock::now());
        s.clickSave();
        const Clock::time_point exitAt = Clock::now();
        s.exit();
        QVERIFY(s.panel.waitForFinished(60000));
        const double exitSeconds = secondsSince(exitAt);
        QCOMPARE(s.panel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(s.panel.exitCode(), 0);
        // What left before the close may still be on its way through the far end's buffers.
        s.waitFor([&] { return s.frames("@003") >= 20; }, 10000);

        const QStringList phases = phasesOf(s.far.frames());
        qInfo().noquote() << QString("figures: bytes at the far end %1, whole frames a second %2, longest silence "
                                     "%3 ms, Save burst %4 of 20, Exit took %5 s; %6")
                                 .arg(s.far.received().size())
                                 .arg(s.far.between(from, to).first / 5.0 / std::chrono::duration<double>(to - from).count(), 0, 'f', 1)
                                 .arg(longestSilence, 0, 'f', 0)
                                 .arg(trailing(s.far.frames(), "@003"))
                                 .arg(exitSeconds, 0, 'f', 2)
                                 .arg(phases.join(", "));
        QVERIFY(streamed > 0);
        QCOMPARE(s.far.received().size() % 5, 0);
        QCOMPARE(phases.size(), 5);
        QCOMPARE(phases[0].section(' ', 0, 0), "F000");
        QCOMPARE(phases[3].section(' ', 0, 0), "F003");
        QCOMPARE(phases[4], "@003 20");
    }

    // The device pulled while the stream runs: the panel says the line was lost, and goes on.
    void pulledWhileStreaming()
    {
        const QString unplug = qEnvironmentVariable("KANDIMOR_UNPLUG");
        if (unplug.isEmpty())
            QSKIP("this device cannot be pulled");
        Session s;
        QVERIFY(s.start());
        s.clickCell(5);
        s.clickRun();
        QVERIFY(s.waitFor([&] { return s.frames("F000") >= 20; }));
        QCOMPARE(QProcess::execute("sh", {"-c", unplug}), 0);
        QVERIFY(!XDoTool::waitForWindow("Error").isEmpty());
        const QString words = s.saidUntil("was lost");
        QVERIFY2(words.contains("was lost"), qPrintable(words));
        qInfo().noquote() << "figures: pulled:" << words.trimmed();
        QVERIFY(s.answerError());
        s.exit();
        QVERIFY(s.panel.waitForFinished(60000));
        QCOMPARE(s.panel.exitCode(), 0);
    }

    // A line that takes nothing (nothing reads its far end): Exit still ends the program at once,
    // well before the kernel's 30 s wait for output to leave at the last close. The panel may
    // find first that the line takes nothing, close it and say so; then Exit follows the answer.
    void exitOnALineThatTakesNothing()
    {
        if (!qEnvironmentVariable("KANDIMOR_FAR_END").isEmpty())
            QSKIP("the far end is read");
        Session s;
        QVERIFY(s.start());
        s.clickCell(5);
        s.clickRun();
        QTest::qWait(3000);  // the stream fills what the driver holds; no far end can tell
        const Clock::time_point exitAt = Clock::now();
        s.exit();
        QString said;
        QVERIFY(s.waitFor([&] { return s.panel.waitForFinished(100) || !XDoTool::findWindow("Error").isEmpty(); }));
        if (s.panel.state() != QProcess::NotRunning) {
            said = s.saidUntil("took nothing");
            QVERIFY2(said.contains("took nothing"), qPrintable(said));
            QVERIFY(s.answerError());
            s.exit();
            QVERIFY(s.panel.waitForFinished(60000));
        }
        qInfo().noquote() << QString("figures: Exit on a line that takes nothing took %1 s%2")
                                 .arg(secondsSince(exitAt), 0, 'f', 2)
                                 .arg(said.isEmpty() ? QString() : ", after the panel said: " + said.trimmed());
        QCOMPARE(s.panel.exitCode(), 0);
        QVERIFY(secondsSince(exitAt) < 25);
    }
};

QTEST_MAIN(RealLine)
#include "test_real_line.moc"
