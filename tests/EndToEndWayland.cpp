// SPDX-License-Identifier: MIT
#include "EndToEndSession.h"
#include "SwayDesktop.h"

// A sway session on an 800 x 480 screen (tests/on_sway.sh), which the program joins as a native
// Wayland client under its app id.
EndToEndSession startSession()
{
    EndToEndSession session{nullptr, "wayland", QRect(0, 0, 800, 480), KANDIMOR_APP_ID, true};
    auto sway = std::make_unique<SwayDesktop>();
    if (sway->isReady())
        session.desktop = std::move(sway);
    else
        qWarning("the sway session has no keyboard or no pointer for the test");
    return session;
}
