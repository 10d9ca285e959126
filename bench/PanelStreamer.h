// SPDX-License-Identifier: MIT
#pragma once

#include "Streamer.h"

class QPushButton;
class frmVestrel;

// The panel as a user drives it: Run and Save clicked on the form, frames by its own run loop
// through its serial control.
class PanelStreamer : public Streamer {
public:
    explicit PanelStreamer(frmVestrel& form);

    void run() override;
    void save() override;
    std::size_t bytesHeld() const override;

private:
    frmVestrel& form_;
    QPushButton* run_;
    QPushButton* save_;
};
