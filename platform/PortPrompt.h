// SPDX-License-Identifier: MIT
#pragma once

#include "PortRecord.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTimer;

// The modal port prompt: a text field for the number, and beside it the ports present now, each
// with its number, device and what it is. Picking one puts its number in the field; typing works
// as in any text field. The offer follows ports as they come and go.
class PortPrompt : public QDialog {
    Q_OBJECT

public:
    static constexpr int RefreshMs = 1000;

    explicit PortPrompt(QWidget* parent = nullptr);

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
    void refresh();
    void showOffer(const std::vector<PortRecord>& records);
    void fitWidth(const QStringList& lines);
    bool pick(QListWidgetItem* item);

    QLabel* label_;
    QLineEdit* field_;
    QListWidget* offer_;
    QTimer* refreshTimer_;
};
