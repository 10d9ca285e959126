// SPDX-License-Identifier: MIT
#include "ValueBar.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <cstdlib>

namespace {
constexpr int NotchAngle = 120;  // eighths of a degree, as Qt counts a standard wheel's notch
}  // namespace

ValueBar::ValueBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

void ValueBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right)
        return QScrollBar::keyPressEvent(event);
    const bool towardsRight = event->key() == Qt::Key_Right;
    triggerAction(towardsRight != isRightToLeft() ? SliderSingleStepAdd : SliderSingleStepSub);
}

// Qt's own handling would scroll an unfocused bar and move three steps a notch.
void ValueBar::wheelEvent(QWheelEvent* event)
{
    event->accept();
    if (!hasFocus()) {
        unusedAngle_ = 0;
        return;
    }
    const QPoint angle = event->angleDelta();
    // Turning the wheel towards the user moves a scroll bar right, as everywhere; a system set to
    // natural scrolling says so in the event.
    const int turned = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
    unusedAngle_ += event->inverted() ? -turned : turned;
    const int notches = unusedAngle_ / NotchAngle;
    unusedAngle_ -= notches * NotchAngle;
    for (int i = 0; i < std::abs(notches); ++i)
        triggerAction(notches < 0 ? SliderSingleStepAdd : SliderSingleStepSub);
}
