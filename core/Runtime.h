// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

// What the program needs from the windowing runtime: two modal dialogs, the event pump and
// program end. Texts are UTF-8.
class Runtime {
public:
    using Clock = std::chrono::steady_clock;
    // Asked by a waiting pump when to look again: empty ends the wait, a time wakes the pump then
    // unless an event comes first.
    using NextWake = std::function<std::optional<Clock::time_point>()>;

    virtual ~Runtime() = default;

    // The text in the field on OK; empty on Cancel.
    virtual std::string InputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) = 0;
    // One OK button, no icon. `detail`, when not empty, is a second, smaller line beneath the text.
    virtual void MsgBox(const std::string& text, const std::string& title, const std::string& detail) = 0;
    // Handles every pending event, then returns.
    virtual void DoEvents() = 0;
    // Handles pending events, then keeps handling events as they arrive until nextWake says done.
    // It sleeps between events: it never spins.
    virtual void DoEventsUntil(const NextWake& nextWake) = 0;
    // Ends the program at once with status 0. The real runtime's End never returns. One that does
    // (a test's) has only recorded the end: its caller then returns at once, doing nothing more.
    virtual void End() = 0;
};
