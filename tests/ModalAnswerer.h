// SPDX-License-Identifier: MIT
#pragma once

#include "PortPrompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <functional>

// Answers the real modal dialogs as a user would, one after another, from inside their own
// event loops. What each dialog showed is recorded.
class ModalAnswerer : public QObject {
public:
    struct Seen {
        QString kind, title, text, defaultText;
        int buttons = 0;
        bool icon = false;
    };
    // Given the dialog, acts on it: sets text, accepts, rejects.
    using Action = std::function<void(QDialog&)>;

    ModalAnswerer()
    {
        connect(&poll_, &QTimer::timeout, this, &ModalAnswerer::look);
        poll_.start(5);
    }

    void then(Action action) { actions_.push_back(std::move(action)); }

    static Action type(const QString& text)
    {
        return [text](QDialog& dialog) {
            static_cast<PortPrompt&>(dialog).setTextValue(text);
            dialog.accept();
        };
    }
    static Action cancel() { return [](QDialog& dialog) { dialog.reject(); }; }
    static Action ok()
    {
        return [](QDialog& dialog) { static_cast<QMessageBox&>(dialog).button(QMessageBox::Ok)->click(); };
    }

    std::vector<Seen> seen;
    bool idle() const { return actions_.empty() && !busy_; }

private:
    void look()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || busy_ || actions_.empty() || dialog == last_)
            return;
        last_ = dialog;
        connect(dialog, &QObject::destroyed, this, [this] { last_ = nullptr; });
        Seen record;
        record.title = dialog->windowTitle();
        if (auto* input = qobject_cast<PortPrompt*>(dialog)) {
            record.kind = "InputBox";
            record.text = input->labelText();
            record.defaultText = input->textValue();
        } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            record.kind = "MsgBox";
            record.text = box->text();
            record.buttons = static_cast<int>(box->buttons().size());
            record.icon = box->icon() != QMessageBox::NoIcon;
        }
        seen.push_back(record);
        Action action = std::move(actions_.front());
        actions_.pop_front();
        busy_ = true;
        action(*dialog);
        busy_ = false;
    }

    QTimer poll_;
    std::deque<Action> actions_;
    QDialog* last_ = nullptr;
    bool busy_ = false;
};
