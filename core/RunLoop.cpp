// SPDX-License-Identifier: MIT
#include "RunLoop.h"

#include "CheckedInt16.h"
#include "CommandFrame.h"
#include "NumberText.h"
#include "Runtime.h"
#include "SerialControl.h"
#include "Sermod1.h"

#include <string>
#include <utility>

namespace {
const std::string WrongPort = "Wrong COM port";
const std::string ErrorTitle = "Error";

// The answer as typed, cut short for one line: control characters show as blanks, and a cut
// never splits a UTF-8 character.
std::string quoted(const std::string& answer)
{
    constexpr std::size_t MostCharacters = 20;
    std::string shown;
    std::size_t characters = 0;
    for (const char byte : answer) {
        const bool continuation = (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
        if (!continuation && characters++ == MostCharacters)
            return "\"" + shown + "…\"";
        const bool control = static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F;
        shown += control ? ' ' : byte;
    }
    return "\"" + shown + "\"";
}

std::string notAPortNumber(const std::string& answer)
{
    return quoted(answer) + " is not a port number. The port number stays " + std::to_string(Sermod1::ComPort) + ".";
}
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
    } catch (const PortFailure& failure) {
        reportFailure(failure);
    }
}

void RunLoop::reportFailure(const PortFailure& failure)
{
    // Any Run still suspended further down has lost its port too: one failure, one message. No
    // stream goes on after it, so the panel says so.
    ++latestAction_;
    if (RunFlag != 0) {
        RunFlag = 0;
        setRunCaption_("Run");
    }
    runtime_.MsgBox(WrongPort, ErrorTitle, failure.what());
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
    } catch (const PortFailure& failure) {
        // No port, or one that is lost: the burst did not reach the controller, so say so.
        reportFailure(failure);
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
        runtime_.MsgBox(WrongPort, ErrorTitle, notAPortNumber(answer));
        return;
    }
    Sermod1::ComPort = *number;
    try {
        openPort();
    } catch (const PortFailure& failure) {
        reportFailure(failure);
    }
}

void RunLoop::mnuExit_Click()
{
    if (port_.PortOpen())
        port_.setPortOpen(false);
    // No suspended Run streams on, even where End returns to it.
    RunFlag = 0;
    ++latestAction_;
    runtime_.End();
}
