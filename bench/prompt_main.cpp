// SPDX-License-Identifier: MIT
// What the port prompt costs on a busy desktop: a crowd of processes holding open files, then for
// each panel program given (this build's by default, an earlier build's beside it) the time from
// exec to its start prompt on screen and its CPU while the prompt waits; then, in this process,
// how soon this build's prompt shows a line that appears and drops one that goes.
// Run under an X server: xvfb-run -a build/bench/kandimor_prompt_bench [options]
#include "Crowd.h"
#include "PortHolderLinux.h"
#include "PortPrompt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
    int processes = 400;
    int filesEach = 50;
    int starts = 5;
    int cpuSeconds = 10;
    int lines = 10;
    QStringList panels;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double largest(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

bool promptOnScreen()
{
    QProcess xdotool;
    xdotool.start("xdotool", {"search", "--onlyvisible", "--name", "^Port setting$"});
    xdotool.waitForFinished(5000);
    return !xdotool.readAllStandardOutput().trimmed().isEmpty();
}

// CPU seconds a process has used, from /proc/PID/stat.
double cpuSeconds(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    // utime and stime are the 14th and 15th fields; the list starts at the 3rd.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(::sysconf(_SC_CLK_TCK));
}

struct PanelFigures {
    std::vector<double> toScreenMs;
    std::vector<double> cpuPercent;
};

PanelFigures measurePanel(const QString& program, const Options& options)
{
    PanelFigures figures;
    for (int start = 0; start < options.starts; ++start) {
        QProcess panel;
        QElapsedTimer clock;
        clock.start();
        panel.start(program, {});
        if (!panel.waitForStarted(5000))
            break;
        while (!promptOnScreen() && clock.elapsed() < 10000)
            QThread::msleep(5);
        figures.toScreenMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (start == 0) {  // once: the prompt waiting for its answer
            QThread::sleep(1);
            const double before = cpuSeconds(panel.processId());
            QElapsedTimer wall;
            wall.start();
            QThread::sleep(static_cast<unsigned long>(options.cpuSeconds));
            const double used = cpuSeconds(panel.processId()) - before;
            figures.cpuPercent.push_back(100.0 * used / (double(wall.nsecsElapsed()) / 1e9));
        }
        panel.terminate();
        if (!panel.waitForFinished(5000))
            panel.kill();
        panel.waitForFinished(5000);
    }
    return figures;
}

bool offers(const PortPrompt& prompt, const QString& device)
{
    const QString column = " " + device + " ";
    const QStringList entries = prompt.offered();
    return std::any_of(entries.cbegin(), entries.cend(), [&](const QString& entry) { return entry.contains(column); });
}

// Milliseconds until the prompt's offer says `present` of the device; -1 past ten seconds.
double waitForOffer(const PortPrompt& prompt, const QString& device, bool present)
{
    QElapsedTimer clock;
    clock.start();
    while (offers(prompt, device) != present) {
        if (clock.elapsed() > 10000)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::usleep(500);
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

void measureFollowing(const Options& options, std::vector<double>& appear, std::vector<double>& go)
{
    PortPrompt prompt;
    prompt.show();
    waitForOffer(prompt, "/dev/pts/ptmx", false);
    for (int line = 0; line < options.lines; ++line) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        const QString device = QString::fromLocal8Bit(::ptsname(master));
        appear.push_back(waitForOffer(prompt, device, true));
        ::close(master);
        go.push_back(waitForOffer(prompt, device, false));
    }
}

// Milliseconds to look into who else uses one port, as Run and Com do before streaming.
std::vector<double> measureOpenCheck(int times)
{
    std::vector<double> costs;
    for (int time = 0; time < times; ++time) {
        QElapsedTimer clock;
        clock.start();
        PortHolder::usersOf("/dev/ttyS0");
        costs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return costs;
}

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--processes" && hasValue)
            options.processes = std::atoi(argv[++i]);
        else if (option == "--files" && hasValue)
            options.filesEach = std::atoi(argv[++i]);
        else if (option == "--cpu-seconds" && hasValue)
            options.cpuSeconds = std::atoi(argv[++i]);
        else if (option == "--panel" && hasValue)
            options.panels << argv[++i];
        else if (option == "--quick") {
            options.starts = 1;
            options.cpuSeconds = 2;
            options.lines = 2;
        } else {
            std::fprintf(stderr, "usage: kandimor_prompt_bench [--processes N] [--files N] [--cpu-seconds N] [--panel PROGRAM]... [--quick]\n");
            std::exit(2);
        }
    }
    if (options.panels.isEmpty())
        options.panels << KANDIMOR_PROGRAM;
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    const Crowd crowd(options.processes, options.filesEach);
    QApplication app(argc, argv);
    std::printf("A crowd of %d processes, %d open files each\n\n", crowd.processes(), options.filesEach);
    std::printf("| panel | exec to prompt on screen, median / max (ms) | CPU while the prompt waits (%% of a core) |\n");
    std::printf("|---|---:|---:|\n");
    for (const QString& program : options.panels) {
        const PanelFigures figures = measurePanel(program, options);
        std::printf("| %s | %.0f / %.0f | %.2f |\n", qPrintable(program), median(figures.toScreenMs),
                    largest(figures.toScreenMs), median(figures.cpuPercent));
        std::fflush(stdout);
    }
    const std::vector<double> check = measureOpenCheck(10);
    std::printf("\nLooking into who else uses a port, as Run and Com do: %.1f ms (max %.1f)\n", median(check),
                largest(check));
    std::vector<double> appear, go;
    measureFollowing(options, appear, go);
    std::printf("This build's prompt, %zu lines: shows a new line after %.0f ms (max %.0f), drops a line "
                "gone after %.0f ms (max %.0f); -1 is never\n",
                appear.size(), median(appear), largest(appear), median(go), largest(go));
    return 0;
}
