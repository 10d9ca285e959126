// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The two modal dialogs, over the active window. Texts are UTF-8.
namespace Dialogs {

// The field's text on OK, empty on Cancel or when the dialog is closed. The ports present now
// are offered beside the field.
std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText);

// A message with one OK button and no icon; `detail`, unless empty, as a line beneath it.
void msgBox(const std::string& text, const std::string& title, const std::string& detail);

}  // namespace Dialogs
