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

}  // namespace XDoTool
