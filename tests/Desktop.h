// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

// Where a test that drives the real program finds its windows and gives real input: an X server
// (XDoTool.h) or a Wayland compositor (SwayDesktop.h). A window is named by the desktop's own id.
class Desktop {
public:
    virtual ~Desktop() = default;

    // The first visible window of that exact title; empty while there is none.
    virtual QString findWindow(const QString& title) = 0;
    // The window's contents on the screen; empty when the desktop cannot tell.
    virtual QRect contentsOf(const QString& window) = 0;
    // The window as the user sees it, with what the desktop draws around it.
    virtual QRect frameOf(const QString& window) = 0;
    // The name the desktop ties the window to its entry by: X11's window class, Wayland's app id.
    virtual QString programOf(const QString& window) = 0;
    // The window that has the keyboard; empty when none has.
    virtual QString activeWindow() = 0;
    // A left click at a point of the window's contents.
    virtual void click(const QString& window, QPoint point) = 0;
    // Keys, to whichever window has the keyboard (none is focused first, so a prompt that did not
    // take it fails): a field's text replaced and Return, as a user answers a prompt; Return alone.
    virtual void answer(const QString& text) = 0;
    virtual void pressReturn() = 0;
};

// The panel's window, clicked where its controls are: points of the client area, in pixels.
class PanelWindow {
public:
    static constexpr int ClientHeight = 338;  // the form's client area, below the menu bar

    explicit PanelWindow(Desktop& desktop) : desktop(desktop) {}

    Desktop& desktop;
    QString window;
    int clientTop = 0;  // where the client area starts in the window, below the menu bar

    // Finds the client area from the window's height; false for a height that leaves no menu bar.
    bool measure()
    {
        clientTop = desktop.contentsOf(window).height() - ClientHeight;
        return clientTop > 0;
    }
    static constexpr QPoint Run{112, 252}, Save{224, 252}, Reset{112, 284}, RightArrow{380, 192};
    static QPoint cell(int index)
    {
        constexpr int columnLeft[4] = {88, 128, 176, 224};
        return {columnLeft[index % 4] + 8, 32 + 24 * (index / 4) + 8};
    }
    void click(QPoint point) { desktop.click(window, point + QPoint(0, clientTop)); }
    void clickMenu(int x) { desktop.click(window, {x, 8}); }
    void clickCell(int index) { click(cell(index)); }
    void clickRun() { click(Run); }
    void clickSave() { click(Save); }
    void clickReset() { click(Reset); }
    void clickRightArrow() { click(RightArrow); }
    void com() { clickMenu(20); }
    void exit() { clickMenu(58); }
};
