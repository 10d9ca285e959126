// SPDX-License-Identifier: MIT
#pragma once

#include "PortRecord.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

// The modal port prompt: a text field for the number, and beside it the ports present now, each
// with its number, device and what it is. Picking one puts its number in the field; typing works
// as in any text field. The offer follows ports as they come and go, while the prompt shows.
class PortPrompt : public QDialog {
    Q_OBJECT

public:
    explicit PortPrompt(QWidget* parent = nullptr);
    ~PortPrompt() override;

    void setLabelText(const QString& text);
    QString labelText() const;
    void setTextValue(const QString& text);
    QString textValue() const;

    // The entries as shown, one line each.
    QStringList offered() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showOffer(const std::vector<PortRecord>& records);
    void fitWidth(const QStringList& lines);
    bool pick(QListWidgetItem* item);

    QLabel* label_;
    QLineEdit* field_;
    QListWidget* offer_;
    bool watching_ = false;
};
