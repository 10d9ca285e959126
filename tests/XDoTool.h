// SPDX-License-Identifier: MIT
#pragma once

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

constexpr int ClientHeight = 338;  // the form's client area, below the menu bar

inline QString run(const QStringList& arguments)
{
    QProcess process;
    process.start("xdotool", arguments);
    process.waitForFinished(10000);
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

// Replaces the text of a prompt's field and presses Return, as a user would.
inline void answer(const QString& prompt, const QString& text)
{
    run({"windowfocus", "--sync", prompt});
    run({"key", "--clearmodifiers", "ctrl+a"});
    run({"type", text});
    run({"key", "Return"});
}

// The panel's window, clicked where its controls are: points of the client area, in pixels.
class PanelWindow {
public:
    QString window;
    int clientTop = 0;  // where the client area starts in the window, below the menu bar

    // Finds the client area from the window's height; false for a height that leaves no menu bar.
    bool measure()
    {
        const QString geometry = run({"getwindowgeometry", window});
        clientTop = geometry.section("Geometry: ", 1).section('x', 1).toInt() - ClientHeight;
        return clientTop > 0;
    }
    void click(int x, int y)
    {
        run({"mousemove", "--window", window, QString::number(x), QString::number(clientTop + y), "click", "1"});
    }
    void clickMenu(int x) { run({"mousemove", "--window", window, QString::number(x), "8", "click", "1"}); }
    void clickCell(int index)
    {
        constexpr int columnLeft[4] = {88, 128, 176, 224};
        click(columnLeft[index % 4] + 8, 32 + 24 * (index / 4) + 8);
    }
    void clickRun() { click(112, 252); }
    void clickSave() { click(224, 252); }
    void clickReset() { click(112, 284); }
    void clickRightArrow() { click(380, 192); }
    void com() { clickMenu(20); }
    void exit() { clickMenu(58); }
};

}  // namespace XDoTool
