// SPDX-License-Identifier: MIT
#pragma once

#include <QScrollBar>

// The value's scroll bar. It follows the mouse wheel only while it has the keyboard focus (after a
// click on it, or Tab), one step a notch: a wheel turned while the pointer merely crosses the
// window moves no servo. Over an unfocused bar the wheel changes nothing and goes no further.
// The Right arrow key moves it right, to a larger value, as its right arrow button does: Qt's own
// horizontal scroll bar takes the arrow keys the other way round.
class ValueBar : public QScrollBar {
    Q_OBJECT

public:
    explicit ValueBar(QWidget* parent = nullptr);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int unusedAngle_ = 0;  // what a fine-grained wheel turned short of a whole notch
};
