// SPDX-License-Identifier: MIT
#include "Dialogs.h"

#include "PortPrompt.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

namespace Dialogs {

std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText)
{
    PortPrompt dialog(QApplication::activeWindow());
    dialog.setObjectName("InputBox");
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextValue(QString::fromStdString(defaultText));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue().toStdString();
}

void msgBox(const std::string& text, const std::string& title, const std::string& detail)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName("MsgBox");
    box.setTextFormat(Qt::PlainText);
    if (!detail.empty()) {
        box.setInformativeText(QString::fromStdString(detail));
        // The detail can hold what a user typed: shown as it is, never read as markup.
        if (auto* line = box.findChild<QLabel*>("qt_msgbox_informativelabel"))
            line->setTextFormat(Qt::PlainText);
    }
    box.exec();
}

}  // namespace Dialogs
