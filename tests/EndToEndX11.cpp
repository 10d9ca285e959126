// SPDX-License-Identifier: MIT
#include "EndToEndSession.h"
#include "XDoTool.h"

#include <QProcess>

// An X server without a window manager, whose root window tells the work area of an 800 x 480
// screen with a desktop panel across its top 36 pixels, as a window manager would. Nothing there
// moves the keyboard or restacks the windows on a click: no lane has a window manager to run.
EndToEndSession startSession()
{
    const QRect workArea(0, 36, 800, 444);
    const QString area = QString("%1, %2, %3, %4").arg(workArea.x()).arg(workArea.y()).arg(workArea.width()).arg(workArea.height());
    EndToEndSession session{nullptr, "xcb", workArea, "Kandimor", false};  // the entry's StartupWMClass
    if (QProcess::execute("xprop", {"-root", "-f", "_NET_SUPPORTED", "32a", "-set", "_NET_SUPPORTED", "_NET_WORKAREA"}) == 0
        && QProcess::execute("xprop", {"-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", area}) == 0)
        session.desktop = std::make_unique<XDoTool::X11Desktop>();
    else
        qWarning("xprop (x11-utils) could not set the screen's work area");
    return session;
}
