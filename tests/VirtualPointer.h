// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QSize>

struct wl_display;
struct wl_proxy;

// A pointer device of our own on a wlroots compositor's seat (its virtual-pointer protocol), so
// that the program gets real pointer input there: a headless compositor has no mouse. The device
// lives as long as this object, as a mouse stays plugged in.
class VirtualPointer {
public:
    VirtualPointer();  // on $WAYLAND_DISPLAY; isValid() tells whether the compositor took it
    ~VirtualPointer();
    VirtualPointer(const VirtualPointer&) = delete;
    VirtualPointer& operator=(const VirtualPointer&) = delete;

    bool isValid() const { return pointer_ != nullptr; }
    // A left click at a point of the screen, whose size the compositor scales the point by.
    void click(QPoint point, QSize screen);

private:
    void frame();

    wl_display* display_ = nullptr;
    wl_proxy* seat_ = nullptr;
    wl_proxy* manager_ = nullptr;
    wl_proxy* pointer_ = nullptr;
    unsigned time_ = 0;
};
