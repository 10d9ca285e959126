// SPDX-License-Identifier: MIT
#pragma once

#include "Streamer.h"

#include <QSerialPort>

#include <string>

class frmVestrel;

// The straightforward way, for comparison: the same loop over the form's selection and value,
// each frame written straight to a QSerialPort and events handled, with no regard for how fast
// the line can carry them.
class NaiveStreamer : public Streamer {
public:
    NaiveStreamer(frmVestrel& form, const std::string& devicePath);

    void run() override;
    void save() override;
    std::size_t bytesHeld() const override;

private:
    void open();

    frmVestrel& form_;
    QSerialPort port_;
    bool saved_ = false;
};
