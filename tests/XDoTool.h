// SPDX-License-Identifier: MIT
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

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

// The first visible window of that exact title; empty while there is none.
inline QString findWindow(const QString& title)
{
    return run({"search", "--onlyvisible", "--name", "^" + title + "$"}).section('\n', 0, 0);
}

// Replaces the text of a prompt's field and presses Return, as a user would.
inline void answer(const QString& prompt, const QString& text)
{
    run({"windowfocus", "--sync", prompt});
    run({"key", "--clearmodifiers", "ctrl+a"});
    run({"type", text});
    run({"key", "Return"});
}

}  // namespace XDoTool
