#include "Driver.h"
#include "MSComm.h"
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
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

using namespace std::chrono_literals;

namespace {

// The run loop on the real serial control, with scripted dialogs.
struct Panel {
    PtyPair line;
    MSComm control;
    CountingPort port{control};
    ScriptedRuntime runtime;
    RunLoop loop{port, runtime, [](std::string_view) {}};

    Panel() { Sermod1::ComPort = line.portNumber(); }
    void com(const std::string& answer)
    {
        runtime.answers.push_back({answer, {}});
        loop.mnuCom_Click();
    }
    // Runs until `line` has taken `frames` frames, then Save; returns everything it got.
    QStringList runThenSave(PtyPair& target, int frames)
    {
        QByteArray received;
        Driver driver([&] {
            received += target.readAvailable();
            if (received.size() >= frames * 5 && loop.RunFlag)
                loop.cmdStop_Click();
        }, [&] { loop.cmdStop_Click(); });
        loop.cmdRun_Click();
        control.setPortOpen(false);
        return framesOf(received + target.readAvailable());
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

long residentBytes()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLong() * ::sysconf(_SC_PAGESIZE);
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
        for (ssize_t written; (written = ::write(line.slaveFd(), chunk.constData(), size_t(chunk.size()))) > 0;)
            held += written;
    } while (::poll(&writable, 1, 200) > 0);
    ::fcntl(line.slaveFd(), F_SETFL, flags);
    return held;
}

// A child process: another program on the same machine. `body` runs in it; its result is the
// exit status.
pid_t startChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    return pid;
}

int exitStatusOf(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
        QVERIFY(!panel.control.PortOpen());
        const double share = idleCpuShare();
        QVERIFY2(share < 0.3, qPrintable(QString::number(share)));

        PtyPair live;
        panel.com(std::to_string(live.portNumber()));
        QVERIFY(panel.control.PortOpen());
        const QStringList frames = panel.runThenSave(live, 20);
        QCOMPARE(panel.runtime.messages, OneWrongPort);
        QCOMPARE(trailing(frames, "@000"), RunLoop::BurstFrames);
        QCOMPARE(trailing(frames.mid(0, frames.size() - RunLoop::BurstFrames), "A000"),
                 frames.size() - RunLoop::BurstFrames);
    }

    // A far end that reads nothing: the window keeps handling events while the stream waits, the
    // stream and a Save each fail with the message within the serial control's bound, memory stays
    // put, and once the far end reads again a run works.
    void farEndThatStopsReading()
    {
        Panel panel;
        QVERIFY(fillUntilStuck(panel.line) > 0);
        const long residentBefore = residentBytes();
        {   // Save pressed while the stream is stuck
            GapMeter gaps;
            qint64 gapBeforeSave = -1, saveMs = -1;
            QElapsedTimer running;
            running.start();
            Driver driver([&] {
                if (running.elapsed() < 500 || !panel.loop.RunFlag)
                    return;
                gapBeforeSave = gaps.maxGapMs;
                QElapsedTimer save;
                save.start();
                panel.loop.cmdStop_Click();
                saveMs = save.elapsed();
            }, [&] { panel.loop.cmdStop_Click(); });
            panel.loop.cmdRun_Click();
            QVERIFY2(gapBeforeSave >= 0 && gapBeforeSave < 250, qPrintable(QString::number(gapBeforeSave)));
            QVERIFY2(saveMs >= 0 && saveMs < 4000, qPrintable(QString::number(saveMs)));
            QCOMPARE(panel.runtime.messages, OneWrongPort);
            QVERIFY(!panel.control.PortOpen());
        }
        {   // the stream alone, until it gives up; a Save after that fails at once
            panel.runtime.messages.clear();
            GapMeter gaps;
            QElapsedTimer running;
            running.start();
            Driver driver([] {}, [&] { panel.loop.cmdStop_Click(); });
            panel.loop.cmdRun_Click();
            QVERIFY2(running.elapsed() < 4000, qPrintable(QString::number(running.elapsed())));
            QVERIFY2(gaps.maxGapMs < 250, qPrintable(QString::number(gaps.maxGapMs)));
            QCOMPARE(panel.runtime.messages, OneWrongPort);
            QElapsedTimer save;
            save.start();
            panel.loop.cmdStop_Click();
            QVERIFY(save.elapsed() < 250);
            QCOMPARE(panel.runtime.messages.size(), 2u);
        }
        const long grown = residentBytes() - residentBefore;
        QVERIFY2(grown < 4 * 1024 * 1024, qPrintable(QString::number(grown)));

        panel.line.readAvailable();
        const QStringList frames = panel.runThenSave(panel.line, 20);
        QCOMPARE(trailing(frames, "@000"), RunLoop::BurstFrames);
        QCOMPARE(panel.runtime.messages.size(), 2u);
    }

    // Another program has the line open: Run and Com both say so, and once that program is gone
    // (killed, its lock left behind) the line opens again.
    void portHeldByAnotherProgram()
    {
        Panel panel;
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t holder = startChild([&] {
            MSComm other;
            other.setCommPort(panel.line.portNumber());
            other.setPortOpen(true);
            const char held = other.PortOpen() ? 'y' : 'n';
            (void)::write(ready[1], &held, 1);
            ::pause();
            return 0;
        });
        char held = 0;
        QCOMPARE(::read(ready[0], &held, 1), 1);
        QCOMPARE(held, 'y');

        panel.loop.cmdRun_Click();
        panel.com(std::to_string(panel.line.portNumber()));
        QCOMPARE(panel.runtime.messages, std::vector<std::string>(2, "Error: Wrong COM port"));
        QVERIFY(!panel.control.PortOpen());
        QCOMPARE(panel.port.outputs, 0);

        ::kill(holder, SIGKILL);
        exitStatusOf(holder);
        ::close(ready[0]);
        ::close(ready[1]);
        panel.com(std::to_string(panel.line.portNumber()));
        QVERIFY(panel.control.PortOpen());
        QCOMPARE(panel.runtime.messages.size(), 2u);
    }

    // A user without access to the device node: Run and Com say so.
    void deviceWithoutPermission()
    {
        PtyPair line;
        QCOMPARE(::chmod(line.slavePath().c_str(), 0), 0);
        const pid_t user = startChild([&] {
            // Root may open anything: be nobody.
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                return 10;
            MSComm control;
            ScriptedRuntime runtime;
            RunLoop loop(control, runtime, [](std::string_view) {});
            Sermod1::ComPort = line.portNumber();
            loop.cmdRun_Click();
            runtime.answers.push_back({std::to_string(line.portNumber()), {}});
            loop.mnuCom_Click();
            const bool refused = runtime.messages == std::vector<std::string>(2, "Error: Wrong COM port");
            return refused && !control.PortOpen() ? 0 : 11;
        });
        QCOMPARE(exitStatusOf(user), 0);
        QVERIFY(line.readAvailable().isEmpty());
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

    // Port numbers whose node is no serial device are refused before anything is written; a
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

        MSComm control;
        ScriptedRuntime runtime;
        RunLoop loop(control, runtime, [](std::string_view) {});
        for (const char* refused : {"1005", "1006", "1007"}) {
            runtime.answers.push_back({refused, {}});
            loop.mnuCom_Click();
            QVERIFY(!control.PortOpen());
            loop.cmdRun_Click();
        }
        QCOMPARE(runtime.messages, std::vector<std::string>(6, "Error: Wrong COM port"));
        QVERIFY(regular.open(QIODevice::ReadOnly));
        QCOMPARE(regular.readAll(), "untouched");

        runtime.answers.push_back({"1008", {}});
        loop.mnuCom_Click();
        QVERIFY(control.PortOpen());
        loop.cmdStop_Click();
        control.setPortOpen(false);
        QCOMPARE(framesOf(line.readAvailable()), QStringList(RunLoop::BurstFrames, "@000"));
        QCOMPARE(runtime.messages.size(), 6u);
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
