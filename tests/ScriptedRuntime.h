// SPDX-License-Identifier: MIT
#pragma once

#include "EventPump.h"
#include "Runtime.h"

#include <QtGlobal>

#include <deque>
#include <functional>
#include <string>
#include <vector>

// The real event pump, with dialogs that answer from a script and record what they were shown.
// Program end is recorded and returns: the caller then returns too, and every stream stops, so
// the test goes on from wherever it started the action.
class ScriptedRuntime : public Runtime {
public:
    struct Prompt {
        std::string prompt, title, defaultText;
    };
    struct Answer {
        std::string text;
        std::function<void()> whileOpen;  // runs while the dialog is up
    };

    std::deque<Answer> answers;
    std::vector<Prompt> prompts;
    std::vector<std::string> messages;  // "title: text"
    std::vector<std::string> details;   // the line beneath each message
    int ends = 0;

    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override
    {
        prompts.push_back({prompt, title, defaultText});
        if (answers.empty())
            qFatal("no answer scripted for %s", prompt.c_str());
        Answer answer = answers.front();
        answers.pop_front();
        if (answer.whileOpen)
            answer.whileOpen();
        return answer.text;
    }
    void MsgBox(const std::string& text, const std::string& title, const std::string& detail) override
    {
        messages.push_back(title + ": " + text);
        details.push_back(detail);
    }
    void DoEvents() override { EventPump::pumpOnce(); }
    void DoEventsUntil(const NextWake& nextWake) override { EventPump::pumpUntil(nextWake); }
    void End() override { ++ends; }
};
