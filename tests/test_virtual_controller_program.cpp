// SPDX-License-Identifier: MIT
#include "PortTable.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

// The built virtual controller as a user runs it: it names its line, the test plays the panel on
// that line, and the log tells what the controller made of it.
namespace {

class Controller {
public:
    QProcess process;
    QString output;

    Controller()
    {
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setReadChannel(QProcess::StandardOutput);
        process.start(KANDIMOR_VIRTUAL_CONTROLLER, QStringList());
    }
    ~Controller()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    // Reads the output until the condition holds; false after a generous bound.
    bool waitFor(const std::function<bool()>& condition, int milliseconds = 15000)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            output += QString::fromLocal8Bit(process.readAllStandardOutput());
            if (condition())
                return true;
            if (clock.elapsed() > milliseconds || process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(100);
        }
    }
    bool waitForLine(const QString& text)
    {
        return waitFor([&] { return output.contains("] " + text + "\n"); });
    }
    int portNumber()
    {
        static const QRegularExpression prompt("type: (\\d+)\n");
        QRegularExpressionMatch match;
        if (!waitFor([&] { return (match = prompt.match(output)).hasMatch(); }))
            return -1;
        return match.captured(1).toInt();
    }
};

// The panel's side of the line, opened by its path as the panel opens its port.
class PanelEnd {
public:
    explicit PanelEnd(const QString& path) : fd_(::open(qPrintable(path), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~PanelEnd() { close(); }
    bool isOpen() const { return fd_ >= 0; }
    bool write(const QByteArray& bytes) const
    {
        return ::write(fd_, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }
    // True when nothing at all has come back from the controller.
    bool nothingCameBack() const
    {
        char byte;
        return ::read(fd_, &byte, 1) < 0 && errno == EAGAIN;
    }
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

QByteArray frames(char command, const char* digits, int count)
{
    return (QByteArray(1, '\0') + command + digits).repeated(count);
}

}  // namespace

class VirtualControllerProgram : public QObject {
    Q_OBJECT

private slots:
    void showsWhatThePanelSends_data()
    {
        QTest::addColumn<int>("stopSignal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("Ctrl-C") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void showsWhatThePanelSends()
    {
        QFETCH(int, stopSignal);
        Controller controller;
        const int number = controller.portNumber();
        QVERIFY2(number >= 1000, qPrintable(controller.output));
        // The number the user types leads the panel to the very line the controller named.
        const auto path = PortTable::devicePath(static_cast<std::int16_t>(number));
        QVERIFY(path);
        QVERIFY2(controller.output.contains(" on " + QString::fromStdString(*path) + "\n"), qPrintable(controller.output));

        {
            PanelEnd panel(QString::fromStdString(*path));
            QVERIFY(panel.isOpen());
            QVERIFY(controller.waitForLine("panel connected"));
            QVERIFY(panel.write(frames('F', "128", 40) + frames('@', "128", 20) + frames('F', "128", 5) + "\x01\x02" +
                                frames('K', "007", 5)));
            QVERIFY2(controller.waitForLine("command Servo 3 Spd 0, value 7 (00 4B 30 30 37)"), qPrintable(controller.output));
            QVERIFY(panel.nothingCameBack());
        }
        QVERIFY2(controller.waitForLine("panel disconnected"), qPrintable(controller.output));

        QString log = controller.output;
        log.remove(QRegularExpression("\\[ *\\d+\\.\\d{3}\\] "));
        QVERIFY2(log.contains("panel connected\n"
                              "command Servo 2 On, value 128 (00 46 31 32 38)\n"
                              "Save burst of 20 frames, value 128 (00 40 31 32 38)\n"
                              "command Servo 2 On, value 128 (00 46 31 32 38)\n"
                              "warning: 2 bytes skipped, not well-formed frames\n"
                              "command Servo 3 Spd 0, value 7 (00 4B 30 30 37)\n"
                              "panel disconnected\n"),
                 qPrintable(log));
        // Into a pipe no status line goes, only whole log lines.
        QVERIFY(!log.contains('\r'));

        // Once the panel has let go the line is still there for it to come back to.
        PanelEnd again(QString::fromStdString(*path));
        QVERIFY(again.isOpen());
        QVERIFY(controller.waitFor([&] { return controller.output.count("panel connected") == 2; }));

        ::kill(static_cast<pid_t>(controller.process.processId()), stopSignal);
        QVERIFY(controller.process.waitForFinished(15000));
        controller.output += QString::fromLocal8Bit(controller.process.readAllStandardOutput());
        QCOMPARE(controller.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(controller.process.exitCode(), 0);
        QVERIFY(controller.output.endsWith("Virtual servo controller stopped\n"));
    }
};

QTEST_GUILESS_MAIN(VirtualControllerProgram)
#include "test_virtual_controller_program.moc"
