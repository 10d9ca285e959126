// SPDX-License-Identifier: MIT
#include "RunLoop.h"

#include "CheckedInt16.h"
#include "CommandFrame.h"
#include "NumberText.h"
#include "Runtime.h"
#include "SerialControl.h"
#include "Sermod1.h"

#include <cstdlib>
#include <string>
#include <utility>

namespace {
const std::string WrongPort = "Wrong COM port";
const std::string ErrorTitle = "Error";
}  // namespace

RunLoop::RunLoop(SerialControl& port, Runtime& runtime, CaptionSetter setRunCaption)
    : port_(port), runtime_(runtime), setRunCaption_(std::move(setRunCaption))
{
}

void RunLoop::openPort()
{
    if (port_.PortOpen())
        port_.setPortOpen(false);
    port_.setCommPort(Sermod1::ComPort);
    port_.setPortOpen(true);
}

bool RunLoop::streamGoesOn(unsigned long activation) const
{
    return RunFlag != 0 && activation == latestAction_;
}

void RunLoop::cmdRun_Click()
{
    const unsigned long activation = ++latestAction_;
    try {
        runtime_.DoEvents();
        // A Save, Reset or second Run handled in that pump came after this click: it wins.
        if (activation != latestAction_)
            return;
        openPort();
        RunFlag = 1;
        setRunCaption_("Setting");
        while (streamGoesOn(activation)) {
            port_.Output(CommandFrame::BuildFrame(CommandFrame::runCommand(SelIndex), PosValue));
            // Wait, handling events, until the line wants the next frame: built as late as the
            // line allows, it carries whatever changed meanwhile.
            runtime_.DoEventsUntil([&]() -> std::optional<Runtime::Clock::time_point> {
                if (!streamGoesOn(activation))
                    return std::nullopt;
                const auto due = port_.nextWriteTime();
                if (due <= Runtime::Clock::now())
                    return std::nullopt;
                return due;
            });
        }
    } catch (const PortFailure&) {
        reportFailure();
    }
}

void RunLoop::reportFailure()
{
    // Any Run still suspended further down has lost its port too: one failure, one message.
    ++latestAction_;
    runtime_.MsgBox(WrongPort, ErrorTitle);
}

void RunLoop::cmdStop_Click() { sendBurst(CommandFrame::SaveCommand); }

void RunLoop::cmdReset_Click() { sendBurst(CommandFrame::ResetCommand); }

void RunLoop::sendBurst(char command)
{
    RunFlag = 0;
    ++latestAction_;
    setRunCaption_("Run");
    try {
        for (std::int16_t count = 1; count <= BurstFrames; count = checkedAdd(count, 1))
            port_.Output(CommandFrame::BuildFrame(command, PosValue));
    } catch (const PortFailure&) {
        // No port, or one that is lost: the burst did not reach the controller, so say so.
        reportFailure();
    }
}

void RunLoop::mnuCom_Click()
{
    const std::string answer =
        runtime_.InputBox("Com port is  ", "Set Com Port", std::to_string(Sermod1::ComPort));
    if (answer.empty())
        return;  // Cancel: nothing changes
    const auto number = NumberText::readStrictInt16(answer);
    if (!number) {
        runtime_.MsgBox(WrongPort, ErrorTitle);
        return;
    }
    Sermod1::ComPort = *number;
    try {
        openPort();
    } catch (const PortFailure&) {
        reportFailure();
    }
}

void RunLoop::mnuExit_Click()
{
    if (port_.PortOpen())
        port_.setPortOpen(false);
    runtime_.End();
    std::abort();  // End never returns; a runtime whose End did must not let the program run on
}
