// SPDX-License-Identifier: MIT
#include "BenchRuntime.h"
#include "MSComm.h"
#include "RunLoop.h"
#include "Sermod1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

// Streams through the real run loop and serial control on a COM port for a while, moving to
// another cell every 100 ms, then Save; reads back what the line's far end recorded and reports
// whole frames a second, malformed bytes, and how many frames left after a change before one
// carried it. The port is KANDIMOR_COM_PORT, the far end's record KANDIMOR_FAR_END (see
// tests/windows/on_com_port.sh). Asserts no timing: it fails only when it could not measure.
namespace {

using Clock = std::chrono::steady_clock;

// The real control, counting the frames handed to it and when.
class TimedPort : public SerialControl {
public:
    explicit TimedPort(MSComm& real) : real_(real) {}
    bool PortOpen() const override { return real_.PortOpen(); }
    void setPortOpen(bool open) override { real_.setPortOpen(open); }
    void setCommPort(std::int16_t number) override { real_.setCommPort(number); }
    void Output(std::string_view text) override
    {
        real_.Output(text);
        if (outputs++ == 0)
            first = Clock::now();
        last = Clock::now();
    }
    Clock::time_point nextWriteTime() const override { return real_.nextWriteTime(); }

    int outputs = 0;
    Clock::time_point first{}, last{};

private:
    MSComm& real_;
};

struct Change {
    int frame;         // the first frame written after it
    QByteArray carried;  // the frame's four characters
};

QByteArray readAll(const QString& path, qsizetype size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QElapsedTimer clock;
    clock.start();
    QByteArray bytes;
    while (bytes.size() < size && clock.elapsed() < 15000) {
        bytes += file.readAll();
        QThread::msleep(5);
    }
    return bytes;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, QString(argv[1]).toDouble()) : 10.0;
    const auto port = static_cast<std::int16_t>(qEnvironmentVariableIntValue("KANDIMOR_COM_PORT"));
    const QString farEnd = qEnvironmentVariable("KANDIMOR_FAR_END");

    MSComm control;
    TimedPort timed(control);
    BenchRuntime runtime;
    RunLoop loop(timed, runtime, [](std::string_view) {});
    Sermod1::ComPort = port;

    // The cells of the first row and their command letters, one after another.
    const char letters[4] = {'A', 'B', 'C', 'D'};
    std::vector<Change> changes;
    QTimer changer;
    QElapsedTimer clock;
    QObject::connect(&changer, &QTimer::timeout, [&] {
        if (clock.elapsed() >= seconds * 1000) {
            changer.stop();
            loop.cmdStop_Click();
            return;
        }
        loop.SelIndex = static_cast<std::int16_t>((loop.SelIndex + 1) % 4);
        changes.push_back({timed.outputs, QByteArray(1, letters[loop.SelIndex]) + "000"});
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        changer.start(100);
        loop.cmdRun_Click();
        QApplication::quit();
    });
    QApplication::exec();
    const int written = timed.outputs;
    control.setPortOpen(false);
    if (!runtime.lastMessage.empty()) {
        std::fprintf(stderr, "the panel said: %s\n", runtime.lastMessage.c_str());
        return 1;
    }

    const QByteArray wire = readAll(farEnd, qsizetype(written) * 5);
    int malformed = 0;
    std::vector<QByteArray> frames;
    for (qsizetype at = 0; at + 5 <= wire.size(); at += 5) {
        if (wire[at] != '\0')
            ++malformed;
        frames.push_back(wire.mid(at + 1, 4));
    }
    int late = 0, lateMost = 0, measured = 0;
    for (const Change& change : changes) {
        const auto carried = std::find(frames.begin() + std::min<std::size_t>(change.frame, frames.size()), frames.end(), change.carried);
        if (carried == frames.end())
            continue;
        const int after = static_cast<int>(carried - frames.begin()) - change.frame;
        late += after;
        lateMost = std::max(lateMost, after);
        ++measured;
    }
    const double streamed = std::chrono::duration<double>(timed.last - timed.first).count();
    const int streamFrames = written - RunLoop::BurstFrames;
    std::printf("frames written %d, on the wire %zu (%lld bytes), malformed %d\n", written, frames.size(),
                static_cast<long long>(wire.size()), malformed);
    std::printf("whole frames a second: %.1f (the line carries 192)\n", (streamFrames - 1) / std::max(streamed, 1e-9));
    std::printf("changes %zu, carried %d: frames before the change showed, mean %.2f, most %d\n", changes.size(),
                measured, measured ? double(late) / measured : 0.0, lateMost);
    if (wire.size() != qsizetype(written) * 5 || malformed > 0 || measured == 0) {
        std::fprintf(stderr, "could not measure: the far end's record does not match what was written\n");
        return 1;
    }
    return 0;
}
