// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

// Positions and sizes are laid out in twips; at 96 dots per inch a pixel is 15 twips.
inline constexpr int TwipsPerPixel = 15;

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel, height / TwipsPerPixel};
}
