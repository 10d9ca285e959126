// SPDX-License-Identifier: MIT
#include "QtRuntime.h"
#include "Sermod1.h"
#include "StopSignalNotifier.h"
#include "frmVestrel.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kandimor");
    // The Wayland app id and the X11 window class name the desktop entry; without it Qt uses
    // the program's file name, which names no entry.
    QGuiApplication::setDesktopFileName(KANDIMOR_APP_ID);
    QtRuntime runtime;
    std::unique_ptr<frmVestrel> window;
    // A logout, kill or Ctrl-C ends the panel as Exit does, so what the port has taken still goes
    // out; while the start prompt is open there is no port yet, and the program just ends.
    StopSignalNotifier stopSignals;
    QObject::connect(&stopSignals, &StopSignalNotifier::stopRequested, &app, [&] {
        if (window)
            window->mnuExit_Click();
        runtime.End();
    });
    Sermod1::Main(runtime, [&] {
        window = std::make_unique<frmVestrel>(runtime);
        window->show();
    });
    return QApplication::exec();
}
