// SPDX-License-Identifier: MIT
#include "Dialogs.h"

#include "PortPrompt.h"

#include <QApplication>
#include <QWindow>
#include <QLabel>
#include <QMessageBox>

namespace {

// What a dialog stands over: the active window, else the program's shown window. On Wayland the
// window a closed prompt leaves is active again only when the compositor says so, and a message
// right after it would otherwise have no parent: no dialog of the window's, free to go under it.
QWidget* owner()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->windowType() == Qt::Window)
            return top;
    }
    return nullptr;
}

// While the dialog is open it keeps the keyboard and stays on top: a click on the window it
// blocks gives the dialog the focus back. X11's window managers keep a dialog over its window
// themselves; Wayland's compositors may not (sway does not), and the window would cover it.
void keepOnTop(QDialog& dialog)
{
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &dialog, [&dialog](QWindow* focused) {
        if (focused && focused != dialog.windowHandle() && QGuiApplication::modalWindow() == dialog.windowHandle()) {
            dialog.raise();
            dialog.activateWindow();
        }
    });
}

}  // namespace

namespace Dialogs {

std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText)
{
    PortPrompt dialog(owner());
    dialog.setObjectName("InputBox");
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextValue(QString::fromStdString(defaultText));
    keepOnTop(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue().toStdString();
}

void msgBox(const std::string& text, const std::string& title, const std::string& detail)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, owner());
    box.setObjectName("MsgBox");
    box.setTextFormat(Qt::PlainText);
    if (!detail.empty()) {
        box.setInformativeText(QString::fromStdString(detail));
        // The detail can hold what a user typed: shown as it is, never read as markup.
        if (auto* line = box.findChild<QLabel*>("qt_msgbox_informativelabel"))
            line->setTextFormat(Qt::PlainText);
    }
    keepOnTop(box);
    box.exec();
}

}  // namespace Dialogs
