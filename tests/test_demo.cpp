// SPDX-License-Identifier: MIT
#include "PortPrompt.h"
#include "PortWatch.h"
#include "XDoTool.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <functional>

// tools/run.sh --demo as a user meets it, under a real X server: the panel's prompt offers the
// virtual controller's line, the user clicks it, presses Run and later Exit, and the demo ends
// with nothing left running.
namespace {

using XDoTool::ClientHeight;
QString xdotool(const QStringList& arguments) { return XDoTool::run(arguments); }

class Demo {
public:
    QProcess script;
    QString output;

    Demo()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        // The build is done, and ctest may be running beside other builds: no setup step here.
        environment.insert("KANDIMOR_SKIP_SETUP", "1");
        environment.insert("KANDIMOR_BUILD_DIR", KANDIMOR_BUILD_DIR);
        script.setProcessEnvironment(environment);
        script.setReadChannel(QProcess::StandardOutput);
        script.start("bash", {KANDIMOR_RUN_SCRIPT, "--demo"});
    }
    ~Demo()
    {
        if (controllerPid > 0)
            ::kill(controllerPid, SIGTERM);
        if (script.state() != QProcess::NotRunning) {
            script.kill();
            script.waitForFinished(5000);
        }
    }

    // Reads the demo's output until the condition holds; false after a generous bound.
    bool waitFor(const std::function<bool()>& condition, int milliseconds = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            output += QString::fromLocal8Bit(script.readAllStandardOutput());
            if (condition())
                return true;
            if (clock.elapsed() > milliseconds || script.state() == QProcess::NotRunning)
                return false;
            script.waitForReadyRead(100);
        }
    }
    QString captured(const QString& pattern)
    {
        const QRegularExpression expression(pattern);
        QRegularExpressionMatch match;
        waitFor([&] { return (match = expression.match(output)).hasMatch(); });
        return match.captured(1);
    }
    QString waitForWindow(const QString& title)
    {
        QString found;
        waitFor([&] { return !(found = XDoTool::findWindow(title)).isEmpty(); });
        return found;
    }

    pid_t controllerPid = 0;
};

// Where the panel's prompt shows the entry for a device: a prompt of this test's own, offscreen,
// lays out the same offer in the same fonts. Waits until the offer has stood still for twice the
// time a change takes to show, so the panel's prompt shows it too. The row is -1 while there is
// no such entry.
struct OfferRow {
    int row = -1;
    QPoint centre;      // in the prompt, when the row is in view
    bool inView = false;
    QStringList offer;
};

OfferRow findOfferRow(const QString& device)
{
    PortPrompt twin;
    twin.show();
    auto* list = twin.findChild<QListWidget*>("portOffer");
    QStringList before;
    QElapsedTimer still;
    still.start();
    while (still.elapsed() < 2 * PortWatch::FollowsWithinMs + 500) {
        QTest::qWait(100);
        if (twin.offered() != before) {
            before = twin.offered();
            still.restart();
        }
    }
    OfferRow found;
    found.offer = before;
    for (int row = 0; row < list->count(); ++row) {
        if (!list->item(row)->text().contains(" " + device + " "))
            continue;
        const QRect rect = list->visualItemRect(list->item(row));
        found.row = row;
        found.inView = list->viewport()->rect().contains(rect);
        found.centre = list->viewport()->mapTo(&twin, QPoint(rect.left() + 20, rect.center().y()));
    }
    return found;
}

}  // namespace

class DemoScript : public QObject {
    Q_OBJECT

private slots:
    void demoRunsControllerBesideThePanel()
    {
        Demo demo;
        QVERIFY(demo.script.waitForStarted());
        demo.controllerPid = demo.captured("controller \\(pid (\\d+)\\)").toInt();
        const QString device = demo.captured(" on (/dev/pts/\\d+)\n");
        QVERIFY2(demo.controllerPid > 0 && !device.isEmpty(), qPrintable(demo.output));

        const QString prompt = demo.waitForWindow("Port setting");
        QVERIFY(!prompt.isEmpty());
        // Pick the controller's line in the offer. Other programs' lines may come and go meanwhile:
        // pick only when the offer stood still before and after.
        bool picked = false;
        OfferRow target;
        for (int attempt = 0; attempt < 5 && !picked; ++attempt) {
            target = findOfferRow(device);
            QVERIFY2(target.row >= 0, qPrintable(target.offer.join('\n')));
            if (target.inView)
                xdotool({"mousemove", "--window", prompt, QString::number(target.centre.x()),
                         QString::number(target.centre.y()), "click", "1"});
            picked = findOfferRow(device).offer == target.offer;
        }
        QVERIFY(picked);
        if (target.inView) {
            xdotool({"key", "Return"});
        } else {
            // Further down than the list shows: into the list from the field, down to the line,
            // and Return, which picks it and answers the prompt.
            xdotool({"key", "Tab", "Home"});
            xdotool({"key", "--repeat", QString::number(target.row), "Down"});
            xdotool({"key", "Return"});
        }

        const QString window = demo.waitForWindow("Kandimor");
        QVERIFY(!window.isEmpty());
        const QString geometry = xdotool({"getwindowgeometry", window});
        const int clientTop = geometry.section("Geometry: ", 1).section('x', 1).toInt() - ClientHeight;
        QVERIFY2(clientTop > 0, qPrintable(geometry));

        // Run, with the cell and value the window starts with: the controller sees the stream.
        xdotool({"mousemove", "--window", window, "112", QString::number(clientTop + 252), "click", "1"});
        QVERIFY2(demo.waitFor([&] { return demo.output.contains("] command Servo 1 Off, value 0 (00 41 30 30 30)\n"); }),
                 qPrintable(demo.output));

        // Exit from the menu ends the panel, and with it the demo.
        xdotool({"mousemove", "--window", window, "58", "8", "click", "1"});
        QVERIFY(demo.script.waitForFinished(20000));
        demo.output += QString::fromLocal8Bit(demo.script.readAllStandardOutput());
        QCOMPARE(demo.script.exitStatus(), QProcess::NormalExit);
        QCOMPARE(demo.script.exitCode(), 0);
        QVERIFY2(demo.output.contains("] panel disconnected\n"), qPrintable(demo.output));
        QVERIFY2(demo.output.endsWith("Virtual servo controller stopped\n"), qPrintable(demo.output));
        // The script waited for the controller, so no such process is left.
        QCOMPARE(::kill(demo.controllerPid, 0), -1);
        QCOMPARE(errno, ESRCH);
        demo.controllerPid = 0;
    }
};

int main(int argc, char* argv[])
{
    // This test's own prompt only measures: it stays off the X server the panel uses.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DemoScript test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_demo.moc"
