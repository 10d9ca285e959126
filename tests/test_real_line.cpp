// SPDX-License-Identifier: MIT
#include "Frames.h"
#include "XDoTool.h"

#include <QClipboard>
#include <QElapsedTimer>
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

// The program as installed, driven as a user drives it, on a real kernel driver: run by
// tools/drivers/test.sh inside a virtual machine, where the line is a UART, a USB adapter or a
// USB board, and its far end is read back inside the same machine.
//   KANDIMOR_INSTALLED_PROGRAM  the program;  KANDIMOR_RUNNER  what it runs under (a user's ids)
//   KANDIMOR_PORT               the port number typed at the prompt
//   KANDIMOR_FAR_END            the far end's device, read from the moment the test starts;
//                               empty: nothing reads it, so the line takes nothing
//   KANDIMOR_UNPLUG             a shell command that pulls the device, for a line that can be
// Each case prints one line of figures for the lane's report.
namespace {

using Clock = std::chrono::steady_clock;

// Reads the far end on a thread of its own as bytes arrive, so that when they came is known to
// the millisecond, whatever the test's own thread is waiting on (xdotool under emulation).
class DeviceFarEnd {
public:
    explicit DeviceFarEnd(const QString& path)
    {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return;
        termios raw{};
        // A gadget's tty echoes and cooks by default: what it sent back would reach the panel.
        if (tcgetattr(fd_, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(fd_, TCSANOW, &raw);
        }
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
    // The longest time between two arrivals from `from` on, and before `to`, in milliseconds.
    double longestSilence(Clock::time_point from, Clock::time_point to)
    {
        std::lock_guard lock(mutex_);
        double longest = 0;
        for (std::size_t i = 1; i < arrivals_.size(); ++i)
            if (arrivals_[i - 1].first >= from && arrivals_[i].first <= to)
                longest = std::max(longest, std::chrono::duration<double, std::milli>(arrivals_[i].first - arrivals_[i - 1].first).count());
        return longest;
    }
    // The bytes that came in [from, to).
    qsizetype bytesBetween(Clock::time_point from, Clock::time_point to)
    {
        std::lock_guard lock(mutex_);
        qsizetype total = 0;
        for (const auto& [at, size] : arrivals_)
            if (at >= from && at < to)
                total += size;
        return total;
    }

private:
    void read()
    {
        char chunk[4096];
        while (!stop_) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            const ssize_t got = ::read(fd_, chunk, sizeof chunk);
            if (got <= 0) {
                // A pulled device's far end hangs up: nothing more to read.
                if (got == 0 || (errno != EAGAIN && errno != EINTR))
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                continue;
            }
            std::lock_guard lock(mutex_);
            bytes_.append(chunk, got);
            arrivals_.emplace_back(Clock::now(), got);
        }
    }

    int fd_ = -1;
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

    DeviceFarEnd far;
    QProcess panel;

    bool waitFor(const std::function<bool()>& condition, int milliseconds = 60000)
    {
        return XDoTool::pollUntil(condition, milliseconds);
    }
    int frames(const QString& frame) { return count(far.frames(), frame); }
};

// The prompt's offer, as a user copies its entries one by one (Ctrl+C copies the current one),
// once the scan has found a port to offer. The keyboard goes back to the field after.
QStringList offered(const QString& prompt)
{
    QStringList entries;
    XDoTool::run({"windowfocus", "--sync", prompt});
    XDoTool::run({"key", "Tab"});
    XDoTool::pollUntil([&] {
        entries.clear();
        XDoTool::run({"key", "Home"});
        for (int row = 0; row < 8; ++row) {
            XDoTool::run({"key", "ctrl+c"});
            const QString entry = QGuiApplication::clipboard()->text().simplified();
            if (entries.contains(entry))
                break;
            entries << entry;
            XDoTool::run({"key", "Down"});
        }
        return !entries.join(' ').contains("Looking for the ports");
    }, 30000);
    XDoTool::run({"key", "shift+Tab"});
    return entries;
}

// Starts the installed program, answers the port prompt, and finds the window.
bool start(Session& s)
{
    QStringList command = QProcess::splitCommand(qEnvironmentVariable("KANDIMOR_RUNNER"));
    command << qEnvironmentVariable("KANDIMOR_INSTALLED_PROGRAM");
    s.panel.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    s.panel.setReadChannel(QProcess::StandardError);
    s.panel.start(command.takeFirst(), command);
    if (!s.panel.waitForStarted())
        return false;
    const QString prompt = XDoTool::waitForWindow("Port setting", 120000);
    if (prompt.isEmpty())
        return false;
    qInfo().noquote() << "figures: offered:" << offered(prompt).join(" | ");
    XDoTool::answer(prompt, qEnvironmentVariable("KANDIMOR_PORT"));
    s.window = XDoTool::waitForWindow("Kandimor", 120000);
    return !s.window.isEmpty() && s.measure();
}

double secondsSince(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

}  // namespace

class RealLine : public QObject {
    Q_OBJECT

private slots:
    // Servo 2 / On, Run, three arrow clicks, Save, and Exit at once: the stream at full rate with
    // each change in it, then the whole burst, though Exit came while it was still leaving.
    void streamSaveAndExit()
    {
        Session s;
        if (!s.far.isOpen())
            QSKIP("no far end to read");
        QVERIFY(start(s));
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
        const Clock::time_point streamEnd = Clock::now();
        s.clickSave();
        const Clock::time_point exitAt = Clock::now();
        s.exit();
        QVERIFY(s.panel.waitForFinished(60000));
        const double exitSeconds = secondsSince(exitAt);
        QCOMPARE(s.panel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(s.panel.exitCode(), 0);
        // What left before the close is on its way still, through the far end's own buffers.
        s.waitFor([&] { return s.frames("@003") >= 20; }, 10000);

        const QByteArray bytes = s.far.received();
        const QStringList phases = phasesOf(s.far.frames());
        qInfo().noquote() << QString("figures: bytes at the far end %1, whole frames a second %2, "
                                     "longest silence %3 ms, Save burst %4 of 20, Exit took %5 s")
                                 .arg(bytes.size())
                                 .arg(s.far.bytesBetween(from, to) / 5.0 / std::chrono::duration<double>(to - from).count(), 0, 'f', 1)
                                 .arg(s.far.longestSilence(from, streamEnd), 0, 'f', 0)
                                 .arg(trailing(s.far.frames(), "@003"))
                                 .arg(exitSeconds, 0, 'f', 2);
        qInfo().noquote() << "phases:" << phases.join(", ");
        QCOMPARE(bytes.size() % 5, 0);
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
        QVERIFY(start(s));
        s.clickCell(5);
        s.clickRun();
        if (s.far.isOpen())
            QVERIFY(s.waitFor([&] { return s.frames("F000") >= 20; }));
        QCOMPARE(QProcess::execute("sh", {"-c", unplug}), 0);
        const QString box = XDoTool::waitForWindow("Error");
        QVERIFY(!box.isEmpty());
        // The box's words, as the panel also writes them to standard error.
        QString words;
        s.waitFor([&] {
            s.panel.waitForReadyRead(100);
            return (words += QString::fromUtf8(s.panel.readAllStandardError())).contains("was lost");
        }, 10000);
        QVERIFY2(words.contains("was lost"), qPrintable(words));
        qInfo().noquote() << "figures: pulled:" << words.trimmed();
        XDoTool::run({"key", "Return"});
        QVERIFY(s.waitFor([&] { return XDoTool::findWindow("Error").isEmpty(); }));
        s.exit();
        QVERIFY(s.panel.waitForFinished(60000));
        QCOMPARE(s.panel.exitCode(), 0);
    }

    // A line that takes nothing (nothing reads its far end): Exit still ends the program at once,
    // long before the kernel's 30 s wait for output to leave at the last close.
    void exitOnALineThatTakesNothing()
    {
        Session s;
        if (s.far.isOpen())
            QSKIP("the far end is read");
        QVERIFY(start(s));
        s.clickCell(5);
        s.clickRun();
        QTest::qWait(3000);  // the stream fills what the driver holds; no far end can tell
        const Clock::time_point exitAt = Clock::now();
        s.exit();
        QVERIFY(s.panel.waitForFinished(60000));
        qInfo().noquote() << QString("figures: Exit on a line that takes nothing took %1 s").arg(secondsSince(exitAt), 0, 'f', 2);
        QCOMPARE(s.panel.exitCode(), 0);
        QVERIFY(secondsSince(exitAt) < 25);
    }
};

QTEST_MAIN(RealLine)
#include "test_real_line.moc"
