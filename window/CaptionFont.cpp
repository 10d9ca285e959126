// SPDX-License-Identifier: MIT
#include "CaptionFont.h"

#include <QCoreApplication>
#include <QFontDatabase>

namespace CaptionFont {
namespace {

const QString Family = "DejaVu Sans";

// Another family stands in for a missing one, in other widths: captions would be cut.
void ensureFamily()
{
    static const bool present = [] {
        if (QFontDatabase::families().contains(Family))
            return true;
        return QFontDatabase::addApplicationFont(QCoreApplication::applicationDirPath() + "/fonts/DejaVuSans.ttf") >= 0;
    }();
    (void)present;
}

}  // namespace

QFont font()
{
    ensureFamily();
    return QFont(Family, 8);
}

}  // namespace CaptionFont
