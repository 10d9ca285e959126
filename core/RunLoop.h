// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

class PortFailure;
class Runtime;
class SerialControl;

// The panel's actions: Run streams frames for the selected cell and value until Save or Reset
// stop it with a burst of twenty frames; Com moves to another port; Exit ends the program.
// Everything runs on the window thread; other actions run nested inside Run's event pump.
class RunLoop {
public:
    using CaptionSetter = std::function<void(std::string_view)>;

    RunLoop(SerialControl& port, Runtime& runtime, CaptionSetter setRunCaption);

    // The selected grid cell, row * 4 + column.
    std::int16_t SelIndex = 0;
    // The scroll bar's value, 0..255.
    std::int16_t PosValue = 0;
    // 1 while a stream is to go on.
    std::int16_t RunFlag = 0;

    void cmdRun_Click();
    void cmdStop_Click();
    void cmdReset_Click();
    void mnuCom_Click();
    void mnuExit_Click();

    static constexpr int BurstFrames = 20;

private:
    void openPort();
    void sendBurst(char command);
    void reportFailure(const PortFailure& failure);
    bool streamGoesOn(unsigned long activation) const;

    SerialControl& port_;
    Runtime& runtime_;
    CaptionSetter setRunCaption_;
    // Bumped by every Run, Save, Reset and lost port: a Run whose number is no longer the
    // latest has been overtaken and stops without sending another frame.
    unsigned long latestAction_ = 0;
};
