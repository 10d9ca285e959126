// SPDX-License-Identifier: MIT
#include "Driver.h"
#include "MSComm.h"
#include "PortOffer.h"
#include "PortScan.h"
#include "PortTable.h"
#include "QtRuntime.h"
#include "RunLoop.h"
#include "ScriptedRuntime.h"
#include "Sermod1.h"
#include "StreamCheck.h"
#include "test_faults_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <malloc.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>

namespace {

// The run loop on the real serial control, with scripted dialogs.
struct Panel {
    PtyPair line;
    MSComm control;
    CountingPort port{control};
    ScriptedRuntime runtime;
    std::string caption = "Run";
    RunLoop loop{port, runtime, [this](std::string_view text) { caption = text; }};

    Panel() { Sermod1::ComPort = line.portNumber(); }
    std::string device() const { return line.slavePath(); }
    void com(const std::string& answer)
    {
        runtime.answers.push_back({answer, {}});
        loop.mnuCom_Click();
    }
    // Runs until `target` has taken `frames` frames' bytes, then Save; returns everything it got.
    QByteArray runThenSave(PtyPair& target, int frames)
    {
        QByteArray received;
        Driver driver([&] {
            received += target.readAvailable();
            if (received.size() >= frames * 5 && loop.RunFlag)
                loop.cmdStop_Click();
        }, [&] { loop.cmdStop_Click(); });
        loop.cmdRun_Click();
        control.setPortOpen(false);
        return received + target.readAvailable();
    }
};

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The share of one core the process uses while its event loop idles for a second.
double idleCpuShare()
{
    QElapsedTimer wall;
    wall.start();
    const double before = cpuSeconds();
    QTest::qWait(1000);
    return (cpuSeconds() - before) / (double(wall.nsecsElapsed()) / 1e9);
}

}  // namespace

// AddressSanitizer's count of the bytes allocated and not yet freed; weak, so that only a build
// with the sanitizer has it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

// The bytes the program holds on the heap. Not resident memory: a sanitizer keeps freed memory in
// quarantine, so resident memory grows with everything allocated and freed, in step with the
// machine's process count. The heap in use means the same in every build.
long heapInUse()
{
    if (__sanitizer_get_current_allocated_bytes)
        return static_cast<long>(__sanitizer_get_current_allocated_bytes());
    const struct mallinfo2 heap = ::mallinfo2();
    return static_cast<long>(heap.uordblks + heap.hblkhd);
}

// How long the event loop was held up at most: a repeating timer's longest gap.
class GapMeter {
public:
    GapMeter()
    {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            maxGapMs = std::max(maxGapMs, clock_.restart());
        });
        timer_.start(10);
    }
    qint64 maxGapMs = 0;

private:
    QTimer timer_;
    QElapsedTimer clock_;
};

// Writes into the line from the program's side until the kernel takes no more, not even after it
// has moved what it holds along to the far end's side: from then on the far end, which never
// reads, is stuck. Returns how many bytes the kernel holds.
qsizetype fillUntilStuck(PtyPair& line)
{
    const int flags = ::fcntl(line.slaveFd(), F_GETFL);
    ::fcntl(line.slaveFd(), F_SETFL, flags | O_NONBLOCK);
    const QByteArray chunk(4096, 'x');
    qsizetype held = 0;
    pollfd writable{line.slaveFd(), POLLOUT, 0};
    do {
        // Whole chunks while they fit, then single bytes: the kernel's last buffer may still
        // take a few, and the panel's small writes would find them.
        for (const std::size_t size : {std::size_t(chunk.size()), std::size_t(1)})
            for (ssize_t written; (written = ::write(line.slaveFd(), chunk.constData(), size)) > 0;)
                held += written;
    } while (::poll(&writable, 1, 200) > 0);
    ::fcntl(line.slaveFd(), F_SETFL, flags);
    return held;
}

// Another program on the same machine: a child process running `body`, whose result is its exit
// status. One still running when the test ends is killed.
class OtherProgram {
public:
    explicit OtherProgram(const std::function<int()>& body) : pid_(::fork())
    {
        if (pid_ != 0)
            return;
        int status = 12;
        try {
            status = body();
        } catch (...) {
        }
        ::_exit(status);
    }
    pid_t pid() const { return pid_; }
    ~OtherProgram()
    {
        if (pid_ > 0)
            kill();
    }
    void kill()
    {
        ::kill(pid_, SIGKILL);
        exitStatus();
    }
    int exitStatus()
    {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_;
};

// This program as the kernel names it in /proc: at most 15 bytes of its file name.
std::string programName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15).toStdString();
}

// Another program that opened the line before the panel, with `flags`, and holds it until the
// test lets go. As the line's far end it also holds the master (a bridge keeping the slave open);
// otherwise it lets go of everything it inherited from the test.
class LineHolder {
public:
    LineHolder(PtyPair& line, int flags, bool farEnd)
    {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(release_) != 0)
            return;
        program_.emplace([&] {
            ::close(release_[1]);
            if (!farEnd) {
                ::close(line.masterFd());
                ::close(line.slaveFd());
            }
            const char opened = ::open(line.slavePath().c_str(), flags | O_NOCTTY) >= 0 ? 'y' : 'n';
            if (::write(ready[1], &opened, 1) != 1)
                return 13;
            char any;
            [[maybe_unused]] const ssize_t released = ::read(release_[0], &any, 1);
            return 0;
        });
        ::close(ready[1]);
        ::close(release_[0]);
        char opened = 0;
        holding_ = ::read(ready[0], &opened, 1) == 1 && opened == 'y';
        ::close(ready[0]);
    }
    ~LineHolder() { ::close(release_[1]); }
    bool holding() const { return holding_; }
    pid_t pid() const { return program_ ? program_->pid() : -1; }
    std::string named() const { return programName() + " (pid " + std::to_string(pid()) + ")"; }

private:
    int release_[2] = {-1, -1};
    std::optional<OtherProgram> program_;
    bool holding_ = false;
};

// The offer's entry for a device.
std::string offered(const std::string& device)
{
    for (const PortOffer::Entry& entry : PortOffer::entries(PortScan::present()))
        if (entry.text.find("  " + device + "  ") != std::string::npos)
            return entry.text;
    return {};
}

// Run in a process of its own with the real runtime: a run, then Save and Exit in one event.
int saveThenExit(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    auto* control = new MSComm(&window);
    QtRuntime runtime;
    RunLoop loop(*control, runtime, [](std::string_view) {});
    Sermod1::ComPort = static_cast<std::int16_t>(std::atoi(argv[2]));
    QTimer::singleShot(300, [&] {
        loop.cmdStop_Click();
        loop.mnuExit_Click();
    });
    loop.cmdRun_Click();
    return 3;  // the run ended without Exit
}

}  // namespace

class Faults : public QObject {
    Q_OBJECT

private slots:
    // After the far end goes away the process sleeps, and a live line then works as before.
    void farEndGoneThenIdleThenANewLineWorks()
    {
        Panel panel;
        Driver driver([&] {
            if (panel.port.outputs >= 10)
                panel.line.closeMaster();
        }, [&] { panel.loop.cmdStop_Click(); });
        panel.loop.cmdRun_Click();
        driver.stop();
        QCOMPARE(panel.runtime.messages, OneWrongPort);
        QCOMPARE(panel.runtime.details, std::vector<std::string>{panel.device() + " was lost (unplugged?)."});
        QVERIFY(!panel.control.PortOpen());
        // Nothing streams any more, and the panel says so.
        QCOMPARE(panel.loop.RunFlag, 0);
        QCOMPARE(panel.caption, "Run");
        const double share = idleCpuShare();
        QVERIFY2(share < 0.3, qPrintable(QString::number(share)));

        PtyPair live;
        panel.com(std::to_string(live.portNumber()));
        QVERIFY(panel.control.PortOpen());
        const QStringList frames = framesOf(panel.runThenSave(live, 20));
        QCOMPARE(panel.runtime.messages, OneWrongPort);
        QCOMPARE(trailing(frames, "@000"), RunLoop::BurstFrames);
        QCOMPARE(trailing(frames.mid(0, frames.size() - RunLoop::BurstFrames), "A000"),
                 frames.size() - RunLoop::BurstFrames);
    }

    // A far end that reads nothing: the window keeps handling events while the stream waits, the
    // stream and a Save each fail with the message within the serial control's bound, neither the
    // control nor the heap holds more while the line is stuck, and once the far end reads again a
    // run works. The far end stops once the panel has opened the line: opening discards what the
    // kernel held for it before.
    void farEndThatStopsReading()
    {
        Panel panel;
        const std::string stuck = panel.device() + " took nothing for 2 s.";
        bool stopped = false;
        // True from the step after the line was filled; the filling itself holds up the loop.
        const auto farEndStopped = [&] {
            if (stopped || !panel.control.PortOpen())
                return stopped;
            stopped = fillUntilStuck(panel.line) > 0;
            return false;
        };
        // What the control holds, at every step of the stuck line: its buffer and the few bytes
        // the OS is fed ahead, never more.
        std::size_t mostHeld = 0;
        const auto noteHeld = [&] { mostHeld = std::max(mostHeld, panel.control.pendingBytes()); };
        const long heapBefore = heapInUse();
        {   // Save pressed while the stream is stuck
            std::optional<GapMeter> gaps;
            qint64 gapBeforeSave = -1, saveMs = -1;
            QElapsedTimer running;
            Driver driver([&] {
                if (!farEndStopped())
                    return;
                noteHeld();
                if (!gaps) {
                    gaps.emplace();
                    running.start();
                }
                if (running.elapsed() < 500 || !panel.loop.RunFlag)
                    return;
                gapBeforeSave = gaps->maxGapMs;
                QElapsedTimer save;
                save.start();
                panel.loop.cmdStop_Click();
                saveMs = save.elapsed();
                noteHeld();
            }, [&] { panel.loop.cmdStop_Click(); });
            panel.loop.cmdRun_Click();
            QVERIFY2(mostHeld > 0 && mostHeld <= MSComm::OutputBufferSize + 8, qPrintable(QString::number(mostHeld)));
            QVERIFY2(gapBeforeSave >= 0 && gapBeforeSave < 250, qPrintable(QString::number(gapBeforeSave)));
            QVERIFY2(saveMs >= 0 && saveMs < 4000, qPrintable(QString::number(saveMs)));
            QCOMPARE(panel.runtime.messages, OneWrongPort);
            QCOMPARE(panel.runtime.details, std::vector<std::string>{stuck});
            QVERIFY(!panel.control.PortOpen());
        }
        {   // the stream alone, until it gives up; a Save after that fails at once
            panel.runtime.messages.clear();
            panel.runtime.details.clear();
            stopped = false;
            std::optional<GapMeter> gaps;
            QElapsedTimer running, stuckFor;
            running.start();
            // The heap over a second of the stuck line, a hundred retries and more of the control
            // and of the run loop: a few bytes kept by each add up to kilobytes.
            long heapAt[2] = {-1, -1};
            Driver driver([&] {
                if (!farEndStopped())
                    return;
                noteHeld();
                if (!gaps) {
                    gaps.emplace();
                    stuckFor.start();
                }
                for (const int i : {0, 1})
                    if (heapAt[i] < 0 && stuckFor.elapsed() >= 100 + 1000 * i)
                        heapAt[i] = heapInUse();
            }, [&] { panel.loop.cmdStop_Click(); });
            mostHeld = 0;
            panel.loop.cmdRun_Click();
            QVERIFY2(mostHeld > 0 && mostHeld <= MSComm::OutputBufferSize + 8, qPrintable(QString::number(mostHeld)));
            QVERIFY2(running.elapsed() < 4000, qPrintable(QString::number(running.elapsed())));
            QVERIFY(gaps);
            QVERIFY2(gaps->maxGapMs < 250, qPrintable(QString::number(gaps->maxGapMs)));
            QVERIFY2(heapAt[1] >= 0 && heapAt[1] - heapAt[0] < 1024, qPrintable(QString::number(heapAt[1] - heapAt[0])));
            QCOMPARE(panel.runtime.messages, OneWrongPort);
            QCOMPARE(panel.loop.RunFlag, 0);
            QCOMPARE(panel.caption, "Run");
            QElapsedTimer save;
            save.start();
            panel.loop.cmdStop_Click();
            QVERIFY(save.elapsed() < 250);
            QCOMPARE(panel.runtime.messages.size(), 2u);
            // The Save that fails at once gives the same reason: the line is still the one given up.
            QCOMPARE(panel.runtime.details, std::vector<std::string>(2, stuck));
        }
        // A few kilobytes over both stuck phases, whatever a failure holds on to.
        const long grown = heapInUse() - heapBefore;
        QVERIFY2(grown < 256 * 1024, qPrintable(QString::number(grown)));

        const QByteArray received = panel.runThenSave(panel.line, 20);
        QCOMPARE(framesOf(received.right(RunLoop::BurstFrames * 5)), QStringList(RunLoop::BurstFrames, "@000"));
        QCOMPARE(panel.runtime.messages.size(), 2u);
    }

    // Programs that opened the line before the panel: a writer would mix its bytes into the
    // frames, so Run and Com refuse the line and name it; a reader (a monitor) and the far end
    // keeping the slave open beside its master are no obstacle.
    void programsAlreadyOnTheLine()
    {
        Panel panel;
        {
            const LineHolder writer(panel.line, O_WRONLY, false);
            QVERIFY(writer.holding());
            QVERIFY2(offered(panel.device()).ends_with(": in use by " + writer.named()), offered(panel.device()).c_str());
            panel.loop.cmdRun_Click();
            panel.com(std::to_string(panel.line.portNumber()));
            QCOMPARE(panel.runtime.messages, std::vector<std::string>(2, "Error: Wrong COM port"));
            QCOMPARE(panel.runtime.details,
                     std::vector<std::string>(2, panel.device() + " is in use by " + writer.named() + "."));
            QVERIFY(!panel.control.PortOpen());
            QCOMPARE(panel.port.outputs, 0);
            QCOMPARE(panel.loop.RunFlag, 0);
        }
        for (const bool farEnd : {false, true}) {
            const LineHolder other(panel.line, farEnd ? O_RDWR : O_RDONLY, farEnd);
            QVERIFY(other.holding());
            const std::string entry = offered(panel.device());
            QVERIFY2(farEnd ? entry.ends_with("virtual line") : entry.ends_with(": read by " + other.named()),
                     entry.c_str());
            const QStringList frames = framesOf(panel.runThenSave(panel.line, 20));
            QCOMPARE(panel.runtime.messages.size(), 2u);
            QCOMPARE(trailing(frames, "@000"), RunLoop::BurstFrames);
        }
    }

    // Another program has the line open: Run and Com both say so, and once it lets go the line
    // opens again.
    void portHeldByAnotherProgram()
    {
        Panel panel;
        int ready[2], release[2];
        QVERIFY(::pipe(ready) == 0 && ::pipe(release) == 0);
        OtherProgram holder([&] {
            ::close(release[1]);
            ::close(panel.line.masterFd());  // another panel, not the line's far end
            MSComm other;
            other.setCommPort(panel.line.portNumber());
            other.setPortOpen(true);
            const char held = other.PortOpen() ? 'y' : 'n';
            if (::write(ready[1], &held, 1) != 1)
                return 13;
            char any;
            [[maybe_unused]] const ssize_t released = ::read(release[0], &any, 1);  // until the test closes its end
            other.setPortOpen(false);
            return 0;
        });
        // Only the child holds these ends now: a child that dies ends the read, and closing the
        // other releases it.
        ::close(ready[1]);
        ::close(release[0]);
        char held = 0;
        QCOMPARE(::read(ready[0], &held, 1), 1);
        ::close(ready[0]);
        QCOMPARE(held, 'y');

        panel.loop.cmdRun_Click();
        panel.com(std::to_string(panel.line.portNumber()));
        QCOMPARE(panel.runtime.messages, std::vector<std::string>(2, "Error: Wrong COM port"));
        // Named by the kernel's name for the holder (a fork keeps this program's) and its pid.
        const std::string inUse = panel.device() + " is in use by " + programName() + " (pid "
            + std::to_string(holder.pid()) + ").";
        QCOMPARE(panel.runtime.details, std::vector<std::string>(2, inUse));
        QVERIFY(!panel.control.PortOpen());
        QCOMPARE(panel.port.outputs, 0);

        ::close(release[1]);
        QCOMPARE(holder.exitStatus(), 0);
        panel.com(std::to_string(panel.line.portNumber()));
        QVERIFY(panel.control.PortOpen());
        QCOMPARE(panel.runtime.messages.size(), 2u);
    }

    // A user without access to the device node: Run and Com say so, and how to get access where
    // joining the node's group gives it.
    void deviceWithoutPermission()
    {
        PtyPair closed, groupOnly;
        QCOMPARE(::chmod(closed.slavePath().c_str(), 0), 0);
        // As root the test can give a node to the dialout group, as udev does with adapters.
        const group* dialout = ::getgrnam("dialout");
        const bool asRoot = ::geteuid() == 0 && dialout != nullptr;
        if (asRoot) {
            QCOMPARE(::chown(groupOnly.slavePath().c_str(), 0, dialout->gr_gid), 0);
            QCOMPARE(::chmod(groupOnly.slavePath().c_str(), 0660), 0);
        }
        int said[2];
        QVERIFY(::pipe(said) == 0);
        OtherProgram user([&] {
            ::close(said[0]);
            // Root may open anything: be nobody.
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                return 10;
            MSComm control;
            ScriptedRuntime runtime;
            RunLoop loop(control, runtime, [](std::string_view) {});
            Sermod1::ComPort = closed.portNumber();
            loop.cmdRun_Click();
            runtime.answers.push_back({std::to_string(closed.portNumber()), {}});
            loop.mnuCom_Click();
            if (asRoot) {
                runtime.answers.push_back({std::to_string(groupOnly.portNumber()), {}});
                loop.mnuCom_Click();
            }
            std::string lines;
            for (const std::string& detail : runtime.details)
                lines += detail + "\n";
            if (::write(said[1], lines.data(), lines.size()) != static_cast<ssize_t>(lines.size()))
                return 12;
            const bool refused = runtime.messages == std::vector<std::string>(runtime.details.size(), "Error: Wrong COM port");
            return refused && !control.PortOpen() ? 0 : 11;
        });
        ::close(said[1]);
        QByteArray lines;
        char chunk[512];
        for (ssize_t got; (got = ::read(said[0], chunk, sizeof chunk)) > 0;)
            lines.append(chunk, got);
        ::close(said[0]);
        QCOMPARE(user.exitStatus(), 0);
        QStringList expected(2, QString::fromStdString(closed.slavePath() + ": permission denied."));
        if (asRoot)
            expected << QString::fromStdString(groupOnly.slavePath()
                                               + ": permission denied. Join the dialout group: sudo usermod "
                                                 "-aG dialout $USER, then log in again.");
        QCOMPARE(QString::fromUtf8(lines).split('\n', Qt::SkipEmptyParts), expected);
        QVERIFY(closed.readAvailable().isEmpty());
        QVERIFY(groupOnly.readAvailable().isEmpty());
    }

    // The real program end right after a Save: the burst goes out whole before the port closes.
    void saveThenExitSendsTheWholeBurst()
    {
        PtyPair line;
        QProcess program;
        program.start(QCoreApplication::applicationFilePath(),
                      {"--save-then-exit", QString::number(line.portNumber())});
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QByteArray received = line.readAvailable();
        QCOMPARE(received.size() % 5, 0);
        const QStringList frames = framesOf(received);
        QCOMPARE(trailing(frames, "@000"), RunLoop::BurstFrames);
        QCOMPARE(trailing(frames.mid(0, frames.size() - RunLoop::BurstFrames), "A000"),
                 frames.size() - RunLoop::BurstFrames);
    }

    // Port numbers whose node is no serial line are refused before anything is written; a
    // symbolic link to one (as udev makes them) is followed to the device.
    void nodesThatAreNoSerialDevice()
    {
        PtyPair line;
        DeviceRoot root;
        QFile regular(root.node(1005));
        QVERIFY(regular.open(QIODevice::WriteOnly));
        regular.write("untouched");
        regular.close();
        QVERIFY(QDir().mkdir(root.node(1006)));
        QCOMPARE(::mkfifo(root.node(1007).toLocal8Bit().constData(), 0600), 0);
        QVERIFY(QFile::link(QString::fromStdString(line.slavePath()), root.node(1008)));
        QVERIFY(QFile::link("/dev/null", root.node(1009)));  // a device, but no line

        MSComm control;
        ScriptedRuntime runtime;
        RunLoop loop(control, runtime, [](std::string_view) {});
        for (const char* refused : {"1005", "1006", "1007", "1009"}) {
            runtime.answers.push_back({refused, {}});
            loop.mnuCom_Click();
            QVERIFY(!control.PortOpen());
            loop.cmdRun_Click();
        }
        QCOMPARE(runtime.messages, std::vector<std::string>(8, "Error: Wrong COM port"));
        for (std::size_t i = 0; i < 8; ++i)
            QCOMPARE(runtime.details[i], root.node(std::int16_t(1005 + i / 2 + (i >= 6 ? 1 : 0))).toStdString()
                                             + " is not a serial device.");

        // A number without a device, and one outside the table: the lines present are named.
        const std::string present = "Present now: 1008 " + root.node(1008).toStdString() + " (virtual line).";
        runtime.details.clear();
        Sermod1::ComPort = 33;
        loop.cmdRun_Click();
        Sermod1::ComPort = 2000;
        loop.cmdRun_Click();
        QCOMPARE(runtime.details, (std::vector<std::string>{
                                      "No device " + root.node(33).toStdString() + " for port 33. " + present,
                                      "Port 2000 names no device. " + present}));
        runtime.messages.resize(8);
        QVERIFY(regular.open(QIODevice::ReadOnly));
        QCOMPARE(regular.readAll(), "untouched");

        runtime.answers.push_back({"1008", {}});
        loop.mnuCom_Click();
        QVERIFY(control.PortOpen());
        loop.cmdStop_Click();
        control.setPortOpen(false);
        QCOMPARE(framesOf(line.readAvailable()), QStringList(RunLoop::BurstFrames, "@000"));
        QCOMPARE(runtime.messages.size(), 8u);
    }
};

int main(int argc, char* argv[])
{
    if (argc == 3 && std::string_view(argv[1]) == "--save-then-exit")
        return saveThenExit(argc, argv);
    QCoreApplication app(argc, argv);
    Faults faults;
    return QTest::qExec(&faults, argc, argv);
}

#include "test_faults.moc"
