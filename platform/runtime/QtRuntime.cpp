// SPDX-License-Identifier: MIT
#include "QtRuntime.h"

#include "Dialogs.h"
#include "EventPump.h"
#include "MSComm.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

std::string QtRuntime::InputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultText)
{
    return Dialogs::inputBox(prompt, title, defaultText);
}

void QtRuntime::MsgBox(const std::string& text, const std::string& title, const std::string& detail)
{
    // On standard error too: a user who started the panel from a terminal, or reads the desktop's
    // journal, keeps the reason once the box is gone. What a user typed comes quoted, without
    // control characters.
    std::fprintf(stderr, "kandimor: %s %s\n", text.c_str(), detail.c_str());
    std::fflush(stderr);
    Dialogs::msgBox(text, title, detail);
}

void QtRuntime::DoEvents() { EventPump::pumpOnce(); }

void QtRuntime::DoEventsUntil(const NextWake& nextWake) { EventPump::pumpUntil(nextWake); }

void QtRuntime::End()
{
    // No code of a suspended event procedure may run after this, so no unwinding and no event
    // loop: release the ports (each sends out what it took, within its bound) and leave.
    for (QWidget* window : QApplication::topLevelWidgets())
        for (MSComm* control : window->findChildren<MSComm*>())
            control->setPortOpen(false);
    std::fflush(nullptr);
    std::_Exit(0);
}
