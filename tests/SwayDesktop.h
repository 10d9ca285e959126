// SPDX-License-Identifier: MIT
#pragma once

#include "Desktop.h"
#include "VirtualPointer.h"

#include <QJsonObject>
#include <QProcess>

// A sway session (on $WAYLAND_DISPLAY and $SWAYSOCK) as a Desktop: windows from its layout tree,
// keys through wtype, clicks through a virtual pointer. Make it before the program starts, so
// the program finds a keyboard and a pointer on the seat, as on a desktop with both plugged in.
class SwayDesktop : public Desktop {
public:
    SwayDesktop();
    ~SwayDesktop() override;

    // Whether the seat has its keyboard and pointer; the program must not start before.
    bool isReady() const { return ready_; }

    QString findWindow(const QString& title) override;
    QRect contentsOf(const QString& window) override;
    QRect frameOf(const QString& window) override;
    QString programOf(const QString& window) override;
    QString activeWindow() override;
    void click(const QString& window, QPoint point) override;
    void answer(const QString& text) override;
    void pressReturn() override;

private:
    QJsonObject node(const QString& window);

    VirtualPointer pointer_;
    QProcess keyboard_;  // a wtype that only holds its virtual keyboard on the seat
    bool ready_ = false;
};
