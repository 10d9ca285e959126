// SPDX-License-Identifier: MIT
#pragma once

#include "Desktop.h"

#include <QRect>
#include <QString>

#include <memory>

// The desktop an end-to-end test drives the program on, and what differs there. Each session
// type's test is built with its own definition (EndToEndX11.cpp, EndToEndWayland.cpp).
struct EndToEndSession {
    std::unique_ptr<Desktop> desktop;  // none when the desktop is not usable, with a warning why
    QString platform;                  // the Qt platform plugin the program is to use there
    QRect freeArea;                    // where the program's windows must stand whole
    QString program;                   // what the desktop must know the window by
    bool clickMovesKeyboard;           // a click gives a window the keyboard, as a window manager's does
};

EndToEndSession startSession();
