// SPDX-License-Identifier: MIT
#include "MSComm.h"
#include "OvercountingDriver.h"
#include "PtyPair.h"
#include "test_faults_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <optional>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <tuple>

namespace {

QByteArray pattern(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(static_cast<char>(i % 251));
    return bytes;
}

// The errno with which another program of an ordinary user fails to open `path` for writing, 0
// when it opens. Root is no ordinary user: the kernel lets it open a line in exclusive use.
int laterProgramsOpen(const std::string& path)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(255);
        const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
        ::_exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void output(MSComm& control, const QByteArray& bytes)
{
    control.Output(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// Runs the event loop until the control has put everything on the line, collecting the far end.
QByteArray collectUntilSent(MSComm& control, PtyPair& line)
{
    QByteArray received = line.readAvailable();
    const QDeadlineTimer deadline(10000);
    while (control.pendingBytes() > 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        received += line.readAvailable();
    }
    return received + line.readAvailable();
}

// A forked copy of this threaded test has none of its threads, whose memory then looks leaked:
// the leak checker, where the build has one, asks this before it looks.
bool forkedCopy = false;

}  // namespace

extern "C" int __lsan_is_turned_off() { return forkedCopy ? 1 : 0; }

class SerialControlOnPty : public QObject {
    Q_OBJECT

private slots:
    void bytesArriveWholeInOrderAndPaced()
    {
        PtyPair line;
        MSComm control;
        control.setCommPort(line.portNumber());
        control.setPortOpen(true);
        QVERIFY(control.PortOpen());

        const QByteArray sent = pattern(100) + QByteArray(3, '\0');
        output(control, sent);
        // Taken at once, but the OS gets only what the line carries in the next few ms.
        const QByteArray first = line.readAvailable();
        QVERIFY(!first.isEmpty());
        QVERIFY2(first.size() <= 10, qPrintable(QString::number(first.size())));
        QVERIFY(control.pendingBytes() >= static_cast<std::size_t>(sent.size() - first.size()));

        QCOMPARE(first + collectUntilSent(control, line), sent);
    }

    // The line left as a terminal would have it (canonical, echo, two stop bits, flow control,
    // CR and NL mapped, slower): the panel sets every setting it needs, and closing puts them back.
    // A pseudo-terminal keeps no parity nor character size: the kernel holds it at 8 bits, none.
    void lineSettingsReadBack()
    {
        PtyPair line;
        // Anyone may open it, so that only exclusive use can keep a later program out.
        QCOMPARE(::chmod(line.slavePath().c_str(), 0666), 0);
        QCOMPARE(laterProgramsOpen(line.slavePath()), 0);
        termios dirty{};
        QCOMPARE(::tcgetattr(line.slaveFd(), &dirty), 0);
        dirty.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
        dirty.c_iflag |= ICRNL | INLCR | IXON | IXOFF | IXANY;
        dirty.c_oflag |= OPOST | ONLCR;
        dirty.c_cflag = (dirty.c_cflag | CSTOPB | CRTSCTS | HUPCL) & ~tcflag_t(CLOCAL);
        QCOMPARE(::cfsetspeed(&dirty, B1200), 0);
        QCOMPARE(::tcsetattr(line.slaveFd(), TCSANOW, &dirty), 0);
        QCOMPARE(::tcgetattr(line.slaveFd(), &dirty), 0);
        QCOMPARE(dirty.c_cflag & (CSTOPB | CRTSCTS | CLOCAL), tcflag_t(CSTOPB | CRTSCTS));
        MSComm control;
        control.setCommPort(line.portNumber());
        control.setPortOpen(true);
        termios settings{};
        QCOMPARE(::tcgetattr(line.slaveFd(), &settings), 0);
        QCOMPARE(::cfgetospeed(&settings), speed_t(B9600));
        QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL), tcflag_t(CS8 | CLOCAL));
        QCOMPARE(settings.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR), tcflag_t(0));
        QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));  // bytes go out as they are
        QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));  // nothing echoed onto the wire
        // Exclusive use, as the kernel enforces it (qemu-user cannot read the flag back).
        QCOMPARE(laterProgramsOpen(line.slavePath()), EBUSY);

        // A second control cannot take the same line.
        MSComm second;
        second.setCommPort(line.portNumber());
        QVERIFY_THROWS_EXCEPTION(PortFailure, second.setPortOpen(true));
        QVERIFY(!second.PortOpen());
        control.setPortOpen(false);
        QCOMPARE(::tcgetattr(line.slaveFd(), &settings), 0);
        QCOMPARE(std::tuple(settings.c_iflag, settings.c_oflag, settings.c_cflag, settings.c_lflag, ::cfgetospeed(&settings)),
                 std::tuple(dirty.c_iflag, dirty.c_oflag, dirty.c_cflag, dirty.c_lflag, ::cfgetospeed(&dirty)));
        QCOMPARE(laterProgramsOpen(line.slavePath()), 0);
    }

    void portsThatCannotBeUsed()
    {
        MSComm control;
        for (std::int16_t number : {0, -5, 129, 999, 2000, 32767}) {
            control.setCommPort(number);
            QVERIFY_THROWS_EXCEPTION(PortFailure, control.setPortOpen(true));
            QVERIFY(!control.PortOpen());
        }
        control.setCommPort(1999);  // in the table, but no such pseudo-terminal here
        QVERIFY_THROWS_EXCEPTION(PortFailure, control.setPortOpen(true));
        QVERIFY_THROWS_EXCEPTION(PortFailure, control.Output("x"));
        const auto due = control.nextWriteTime();
        QVERIFY(due <= MSComm::Clock::now());
    }

    void farEndGoingAwayFailsTheWrite()
    {
        PtyPair line;
        MSComm control;
        control.setCommPort(line.portNumber());
        control.setPortOpen(true);
        output(control, pattern(5));
        line.closeMaster();

        const QDeadlineTimer deadline(5000);
        bool failed = false;
        while (!failed && !deadline.hasExpired()) {
            try {
                output(control, pattern(5));
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
            } catch (const PortFailure&) {
                failed = true;
            }
        }
        QVERIFY(failed);
        QVERIFY(!control.PortOpen());
        QVERIFY_THROWS_EXCEPTION(PortFailure, output(control, pattern(5)));
    }

    // More than the buffer holds: Output waits for room instead of losing bytes.
    void fullBufferWaitsForTheLine()
    {
        PtyPair line;
        MSComm control;
        control.setCommPort(line.portNumber());
        control.setPortOpen(true);
        const QByteArray sent = pattern(700);
        output(control, sent);
        QVERIFY(control.pendingBytes() <= MSComm::OutputBufferSize + 8);
        QCOMPARE(collectUntilSent(control, line), sent);
    }

    // Closing sends out what was taken before the port goes.
    void closingDrainsWhatWasTaken()
    {
        PtyPair line;
        MSComm control;
        control.setCommPort(line.portNumber());
        control.setPortOpen(true);
        const QByteArray sent = pattern(100);
        output(control, sent);
        control.setPortOpen(false);
        QVERIFY(!control.PortOpen());
        QCOMPARE(line.readAvailable(), sent);

        control.setPortOpen(true);  // and the same line opens again
        output(control, pattern(5));
        QCOMPARE(collectUntilSent(control, line), pattern(5));
    }

    // cdc_acm and rfcomm count a whole buffer for every write in flight: believed, that count
    // made each frame wait 1.3 s, and the close gave up on what was taken.
    void driverThatOvercountsItsQueue()
    {
        PtyPair line;
        MSComm control;
        control.setCommPort(line.portNumber());
        control.setPortOpen(true);
        OvercountingDriver::overcount(line.slavePath(), std::chrono::milliseconds(2));
        const QByteArray burst = pattern(100);
        output(control, burst);
        control.setPortOpen(false);
        OvercountingDriver::stop();
        QCOMPARE(line.readAvailable(), burst);
    }

    // Lock files on a serial device's name: another program's live lock, as text or in the old
    // binary form, keeps the control out and names its holder; a stale one is replaced by the
    // control's own while the port is open, which goes when it closes, at exit() too; where no
    // lock can be made the port opens all the same.
    void lockFilesOfOtherPrograms()
    {
        PtyPair line;
        const DeviceRoot root;
        QVERIFY(QFile::link(QString::fromStdString(line.slavePath()), root.node(33)));
        const QString lock = root.dir.path() + "/lock/LCK..ttyUSB0";
        const auto openPort33 = [&] {  // the failure's line, or the lock while the port is open
            MSComm control;
            control.setCommPort(33);
            try {
                control.setPortOpen(true);
            } catch (const PortFailure& failure) {
                return QByteArray(failure.what());
            }
            QFile file(lock);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("no lock");
        };
        const auto hdb = [](pid_t pid) { return QByteArray::number(pid).rightJustified(10) + '\n'; };
        struct Waiting {  // another program, until it is killed or the test ends
            pid_t pid = ::fork();
            ~Waiting() { ::kill(pid, SIGKILL); ::waitpid(pid, nullptr, 0); }
        };
        std::optional<Waiting> waiting(std::in_place);
        const pid_t other = waiting->pid;
        if (other == 0)
            ::_exit(::pause());
        const QByteArray inUse = root.node(33).toUtf8() + " is in use by "
            + QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15).toUtf8() + " (pid "
            + QByteArray::number(other) + ").";
        for (const QByteArray& form : {hdb(other), QByteArray::fromRawData(
                                           reinterpret_cast<const char*>(&other), sizeof other)}) {
            QFile file(lock);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(form) == form.size());
            file.close();
            QCOMPARE(openPort33(), inUse);
        }
        waiting.reset();
        QCOMPARE(openPort33(), hdb(::getpid()));
        QVERIFY(!QFile::exists(lock));

        const pid_t ending = ::fork();
        if (ending == 0) {
            forkedCopy = true;
            auto* control = new MSComm;  // never destroyed: exit() runs no destructor of it
            control->setCommPort(33);
            control->setPortOpen(true);
            std::exit(QFile::exists(lock) ? 0 : 1);
        }
        int status = -1;
        ::waitpid(ending, &status, 0);
        QCOMPARE(status, 0);
        QVERIFY(!QFile::exists(lock));

        UucpLock::setDirectory(root.dir.path().toStdString() + "/none");
        QCOMPARE(openPort33(), "no lock");
    }
};

QTEST_GUILESS_MAIN(SerialControlOnPty)
#include "test_serial_control.moc"
