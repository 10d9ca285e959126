// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

// The font of the window's captions: DejaVu Sans at 8 points, small enough for every caption to
// fit its twips-sized control whole ("On" in 17 pixels). Linux has it from the system; where the
// system lacks it (Windows), the copy the package brings in fonts/ beside the program is used.
namespace CaptionFont {

QFont font();

}  // namespace CaptionFont
