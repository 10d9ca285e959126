// SPDX-License-Identifier: MIT
#include "PortPrompt.h"

#include "PortOffer.h"
#include "PortWatch.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int NumberRole = Qt::UserRole;
constexpr int VisibleRows = 8;
constexpr int LeastColumns = 64;
constexpr int MostColumns = 100;  // longer entries scroll

}  // namespace

PortPrompt::PortPrompt(QWidget* parent)
    : QDialog(parent),
      label_(new QLabel(this)),
      field_(new QLineEdit(this)),
      offer_(new QListWidget(this))
{
    label_->setTextFormat(Qt::PlainText);
    label_->setBuddy(field_);
    field_->setObjectName("portField");
    offer_->setObjectName("portOffer");
    offer_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QFontMetrics metrics(offer_->font());
    offer_->setMinimumHeight(metrics.lineSpacing() * VisibleRows);
    auto* offerLabel = new QLabel("Ports present now (pick one to use its number):", this);
    offerLabel->setBuddy(offer_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(field_);
    layout->addSpacing(metrics.lineSpacing() / 2);
    layout->addWidget(offerLabel);
    layout->addWidget(offer_, 1);
    layout->addWidget(buttons);

    // Only what the user does picks: a click, or Return on an entry (which then also accepts, as
    // Return does in the field). The list's own moves, as when it takes the focus, pick nothing.
    connect(offer_, &QListWidget::itemClicked, this, &PortPrompt::pick);
    connect(offer_, &QListWidget::itemActivated, this, &PortPrompt::pick);
    connect(offer_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (pick(item))
            accept();
    });
    connect(&PortWatch::shared(), &PortWatch::changed, this, [this](const std::vector<PortRecord>& records) {
        if (watching_)
            showOffer(records);
    });
    if (const auto& known = PortWatch::shared().current())
        showOffer(*known);  // as last seen, until the scan the showing starts ends
    else
        (new QListWidgetItem("Looking for the ports present…", offer_))->setFlags(Qt::ItemIsEnabled);
}

PortPrompt::~PortPrompt()
{
    if (watching_)
        PortWatch::shared().stop();
}

void PortPrompt::setLabelText(const QString& text) { label_->setText(text); }

QString PortPrompt::labelText() const { return label_->text(); }

void PortPrompt::setTextValue(const QString& text) { field_->setText(text); }

QString PortPrompt::textValue() const { return field_->text(); }

QStringList PortPrompt::offered() const
{
    QStringList lines;
    for (int row = 0; row < offer_->count(); ++row)
        lines << offer_->item(row)->text();
    return lines;
}

// The field has the focus and its text selected, so typing replaces the proposed answer.
void PortPrompt::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    field_->setFocus();
    field_->selectAll();
    if (!watching_) {
        watching_ = true;
        PortWatch::shared().start();
    }
}

// Looking for ports only while somebody can see them.
void PortPrompt::hideEvent(QHideEvent* event)
{
    if (watching_) {
        watching_ = false;
        PortWatch::shared().stop();
    }
    QDialog::hideEvent(event);
}

void PortPrompt::showOffer(const std::vector<PortRecord>& records)
{
    QStringList lines;
    QList<QVariant> numbers;
    for (const PortOffer::Entry& entry : PortOffer::entries(records)) {
        lines << QString::fromStdString(entry.text);
        numbers << (entry.number ? QVariant(*entry.number) : QVariant());
    }
    if (lines.isEmpty()) {
        lines << "No serial port is present now.";
        numbers << QVariant();
    }
    if (lines == offered())
        return;  // unchanged: keep the list, its scroll position and what is picked
    fitWidth(lines);
    const QVariant picked = offer_->currentItem() ? offer_->currentItem()->data(NumberRole) : QVariant();
    const QSignalBlocker quiet(offer_);  // a refresh is no pick
    offer_->clear();
    for (qsizetype row = 0; row < lines.size(); ++row) {
        auto* item = new QListWidgetItem(lines[row], offer_);
        item->setData(NumberRole, numbers[row]);
        if (!numbers[row].isValid())
            item->setFlags(Qt::ItemIsEnabled);  // nothing to pick: there is no number to type
        if (picked.isValid() && numbers[row] == picked)
            offer_->setCurrentItem(item);
    }
}

// Wide enough for the longest entry (an entry of several lines by its longest), within bounds and
// within the screen (a 800 x 480 touchscreen); the dialog grows with it, never shrinks.
void PortPrompt::fitWidth(const QStringList& lines)
{
    qsizetype longest = LeastColumns;
    for (const QString& entry : lines)
        for (const QStringView line : QStringView(entry).split(u'\n'))
            longest = std::max(longest, line.size() + 2);
    const QFontMetrics metrics(offer_->font());
    const int width = metrics.horizontalAdvance(QString(std::min<qsizetype>(longest, MostColumns), '0'))
        + offer_->frameWidth() * 2 + offer_->verticalScrollBar()->sizeHint().width();
    const QMargins margins = layout()->contentsMargins();
    // Room for a window manager's frame as well.
    const int widest = screen()->availableGeometry().width() - margins.left() - margins.right() - 32;
    offer_->setMinimumWidth(std::min(std::max(width, offer_->minimumWidth()), widest));
}

// Puts the entry's number in the field and hands it the focus with its text selected, so typing
// still replaces it. False for an entry without a number.
bool PortPrompt::pick(QListWidgetItem* item)
{
    if (!item || !item->data(NumberRole).isValid())
        return false;
    field_->setText(item->data(NumberRole).toString());
    field_->setFocus();
    field_->selectAll();
    return true;
}
