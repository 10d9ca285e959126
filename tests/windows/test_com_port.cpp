// SPDX-License-Identifier: MIT
#include "CountingPort.h"
#include "Driver.h"
#include "Frames.h"
#include "MSComm.h"
#include "OpenRefusal.h"
#include "PortOffer.h"
#include "PortProblem.h"
#include "PortScan.h"
#include "PortTable.h"
#include "RunLoop.h"
#include "ScriptedRuntime.h"
#include "Sermod1.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <QThread>

#include <utility>
#include <vector>

#include <windows.h>

// The serial control and the run loop on a real COM port. Under Wine, the port is a Linux
// pseudo-terminal whose far end copies all it gets into a file: KANDIMOR_COM_PORT names the port,
// KANDIMOR_FAR_END the file.
namespace {

std::int16_t comPort() { return static_cast<std::int16_t>(qEnvironmentVariableIntValue("KANDIMOR_COM_PORT")); }

class FileFarEnd {
public:
    FileFarEnd() : file_(qEnvironmentVariable("KANDIMOR_FAR_END")) { file_.open(QIODevice::ReadOnly); }
    bool isOpen() const { return file_.isOpen(); }
    // Every byte the far end got so far, once `size` bytes are in or after a generous bound.
    QByteArray receivedOnce(qsizetype size)
    {
        const QDeadlineTimer deadline(15000);
        while (received_.size() < size && !deadline.hasExpired()) {
            received_ += file_.readAll();
            QThread::msleep(5);
        }
        return received_ += file_.readAll();
    }

private:
    QFile file_;
    QByteArray received_;
};

std::string failureOf(MSComm& control, std::int16_t number)
{
    control.setCommPort(number);
    try {
        control.setPortOpen(true);
    } catch (const PortFailure& failure) {
        return failure.what();
    }
    return "opened";
}

}  // namespace

class ComPort : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(comPort() > 0, "KANDIMOR_COM_PORT names no port");
        QVERIFY2(FileFarEnd().isOpen(), "KANDIMOR_FAR_END names no file");
    }

    // A stream of whole frames, the change in the first frame after it, the burst, and nothing
    // after it: everything on the wire, through the driver's overlapped writes.
    void runStreamsChangesAndBursts()
    {
        FileFarEnd farEnd;
        MSComm control;
        CountingPort port{control};
        ScriptedRuntime runtime;
        RunLoop loop{port, runtime, [](std::string_view) {}};
        Sermod1::ComPort = comPort();
        int changedAt = -1;
        Driver driver([&] {
            if (changedAt < 0 && port.outputs >= 30) {
                changedAt = port.outputs;
                loop.SelIndex = 11;
                loop.PosValue = 1;
            } else if (changedAt >= 0 && port.outputs >= changedAt + 30 && loop.RunFlag) {
                loop.cmdStop_Click();
            }
        }, [&] { loop.cmdStop_Click(); });
        loop.cmdRun_Click();
        const int outputs = port.outputs;
        control.setPortOpen(false);  // drains what was taken

        QVERIFY(runtime.messages.empty());
        const QByteArray bytes = farEnd.receivedOnce(outputs * 5);
        QCOMPARE(bytes.size(), outputs * 5);
        const QStringList frames = framesOf(bytes);
        QCOMPARE(frames.mid(0, changedAt), QStringList(changedAt, "A000"));
        QCOMPARE(frames.value(changedAt), "L001");
        QCOMPARE(trailing(frames, "@001"), RunLoop::BurstFrames);
        QCOMPARE(frames.size() - RunLoop::BurstFrames - changedAt,
                 trailing(frames.mid(0, frames.size() - RunLoop::BurstFrames), "L001"));
    }

    // Port numbers are COM numbers; what stands in the way is said in Windows' terms. (Wine lets
    // a second program open a COM port, where Windows refuses it: that case is Windows' alone.)
    void portsByNumberAndFailures()
    {
        QCOMPARE(PortTable::devicePath(5), std::optional<std::string>("COM5"));
        QCOMPARE(PortTable::devicePath(255), std::optional<std::string>("COM255"));
        QCOMPARE(PortTable::devicePath(0), std::nullopt);
        QCOMPARE(PortTable::devicePath(256), std::nullopt);
        QCOMPARE(PortTable::numberOf("COM12"), std::optional<std::int16_t>(12));
        for (const char* name : {"COM0", "COM05", "COM256", "LPT1", "COM", "COM1 "})
            QCOMPARE(PortTable::numberOf(name), std::nullopt);

        MSComm control;
        QVERIFY(QString::fromStdString(failureOf(control, 256)).startsWith("Port 256 names no device."));
        const std::int16_t absent = comPort() == 200 ? 201 : 200;
        const QString noSuch = QString::fromStdString(failureOf(control, absent));
        QVERIFY2(noSuch.startsWith(QString("There is no COM%1 on this computer.").arg(absent)), qPrintable(noSuch));

        QCOMPARE(failureOf(control, comPort()), "opened");

        // Each Win32 error the map knows, and one it does not, as the user reads it.
        const std::string missing = "There is no COM7 on this computer. " + PortOffer::presentNow(PortScan::present()),
                          inUse = "COM7 is in use by another program.",
                          gone = "COM7 is not connected: no device answers behind it (unplugged?).";
        const std::vector<std::pair<OpenRefusal::Code, std::string>> codes{
            {ERROR_FILE_NOT_FOUND, missing}, {ERROR_PATH_NOT_FOUND, missing},
            {ERROR_ACCESS_DENIED, "COM7 is in use by another program, or Windows denies access to it."},
            {ERROR_SHARING_VIOLATION, inUse}, {ERROR_BUSY, inUse}, {ERROR_GEN_FAILURE, gone},
            {ERROR_DEVICE_NOT_CONNECTED, gone}, {ERROR_DEVICE_REMOVED, gone}, {ERROR_NOT_READY, gone},
            {ERROR_INVALID_FUNCTION, "COM7: " + OpenRefusal::systemWords(ERROR_INVALID_FUNCTION) + "."},
        };
        for (const auto& [code, words] : codes)
            QCOMPARE(QString::fromStdString(PortProblem::line(OpenRefusal::faultOf(code, 7, "COM7"))),
                     QString::fromStdString(words));
        QVERIFY(!OpenRefusal::systemWords(ERROR_INVALID_FUNCTION).empty());
    }
};

QTEST_GUILESS_MAIN(ComPort)
#include "test_com_port.moc"
