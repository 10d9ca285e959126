// SPDX-License-Identifier: MIT
#include "PanelStreamer.h"

#include "MSComm.h"
#include "frmVestrel.h"

#include <QPushButton>

#include <stdexcept>

PanelStreamer::PanelStreamer(frmVestrel& form)
    : form_(form),
      run_(form.findChild<QPushButton*>("cmdRun")),
      save_(form.findChild<QPushButton*>("cmdStop"))
{
    if (!run_ || !save_)
        throw std::runtime_error("the form has no Run or Save button");
}

// Returns once Save has ended the stream.
void PanelStreamer::run() { run_->click(); }

void PanelStreamer::save() { save_->click(); }

std::size_t PanelStreamer::bytesHeld() const { return form_.serialControl().pendingBytes(); }
