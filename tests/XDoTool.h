// SPDX-License-Identifier: MIT
#pragma once

#include "Desktop.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

// Real input for the program under Xvfb. There is no window manager there: focus windows with
// "windowfocus", not "windowactivate".
namespace XDoTool {

constexpr int ClientHeight = PanelWindow::ClientHeight;

inline QString run(const QStringList& arguments)
{
    QProcess process;
    process.start("xdotool", arguments);
    // No bound of its own: an input cut off by one would be lost without a word (under emulation
    // on a busy machine a call has taken over 10 s); the test's own timeout bounds a hang.
    process.waitForFinished(-1);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// Calls `poll` every few milliseconds until it returns true; false after `milliseconds`, a
// generous bound.
inline bool pollUntil(const std::function<bool()>& poll, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        if (poll())
            return true;
        QThread::msleep(5);
    }
    return false;
}

// The first visible window of that exact title; empty while there is none.
inline QString findWindow(const QString& title)
{
    return run({"search", "--onlyvisible", "--name", "^" + title + "$"}).section('\n', 0, 0);
}

inline QString waitForWindow(const QString& title, int milliseconds = 15000)
{
    QString found;
    pollUntil([&] { return !(found = findWindow(title)).isEmpty(); }, milliseconds);
    return found;
}

// Where a window stands on the screen, and its size; empty when xdotool cannot tell.
inline QRect geometryOf(const QString& window)
{
    static const QRegularExpression pattern("Position: (\\d+),(\\d+).*Geometry: (\\d+)x(\\d+)",
                                            QRegularExpression::DotMatchesEverythingOption);
    const auto match = pattern.match(run({"getwindowgeometry", window}));
    if (!match.hasMatch())
        return {};
    return QRect(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                 match.captured(4).toInt());
}

// Replaces the text of the field with the keyboard and presses Return, as a user would.
inline void typeAnswer(const QString& text)
{
    run({"key", "--clearmodifiers", "ctrl+a"});
    run({"type", text});
    run({"key", "Return"});
}

// Gives the prompt the keyboard, then answers it.
inline void answer(const QString& prompt, const QString& text)
{
    run({"windowfocus", "--sync", prompt});
    typeAnswer(text);
}

// The X server as a Desktop. Without a window manager the frame is the window itself.
class X11Desktop : public Desktop {
public:
    QString findWindow(const QString& title) override { return XDoTool::findWindow(title); }
    QRect contentsOf(const QString& window) override { return geometryOf(window); }
    QRect frameOf(const QString& window) override { return geometryOf(window); }
    QString programOf(const QString& window) override
    {
        // WM_CLASS(STRING) = "kandimor", "Kandimor": the instance, then the class.
        QProcess xprop;
        xprop.start("xprop", {"-id", window, "WM_CLASS"});
        xprop.waitForFinished(-1);
        return QString::fromLocal8Bit(xprop.readAllStandardOutput()).section('"', 3, 3);
    }
    QString activeWindow() override { return run({"getwindowfocus"}); }
    void click(const QString& window, QPoint point) override
    {
        run({"mousemove", "--window", window, QString::number(point.x()), QString::number(point.y()), "click", "1"});
    }
    void answer(const QString& text) override { typeAnswer(text); }
    void pressReturn() override { run({"key", "Return"}); }
};

// One for every test that drives a program on the X server.
inline X11Desktop& desktop()
{
    static X11Desktop x11;
    return x11;
}

}  // namespace XDoTool
