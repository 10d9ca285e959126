// SPDX-License-Identifier: MIT
#pragma once

#include "MSComm.h"
#include "SerialControl.h"

// The real serial control, counting the frames handed to it.
class CountingPort : public SerialControl {
public:
    explicit CountingPort(MSComm& real) : real_(real) {}
    bool PortOpen() const override { return real_.PortOpen(); }
    void setPortOpen(bool open) override
    {
        real_.setPortOpen(open);
        if (open)
            ++opens;
    }
    void setCommPort(std::int16_t number) override { real_.setCommPort(number); }
    void Output(std::string_view text) override
    {
        real_.Output(text);
        ++outputs;
    }
    Clock::time_point nextWriteTime() const override { return real_.nextWriteTime(); }

    int outputs = 0;
    int opens = 0;

private:
    MSComm& real_;
};
