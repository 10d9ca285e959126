// SPDX-License-Identifier: MIT
#include "Dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace Dialogs {

std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setObjectName("InputBox");
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextValue(QString::fromStdString(defaultText));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue().toStdString();
}

void msgBox(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName("MsgBox");
    box.exec();
}

}  // namespace Dialogs
