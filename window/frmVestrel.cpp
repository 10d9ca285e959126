// SPDX-License-Identifier: MIT
#include "frmVestrel.h"

#include "CaptionFont.h"
#include "MSComm.h"
#include "Twips.h"
#include "ValueBar.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

namespace {

const char* const RowNames[frmVestrel::Rows] = {"Servo 1", "Servo 2", "Servo 3", "Servo 4"};
const char* const ColumnNames[frmVestrel::Columns] = {"Off", "On", "Spd 0", "Spd 1"};

// Where each grid column and row stands inside Frame5, in twips.
constexpr int GridLeft[frmVestrel::Columns] = {120, 720, 1440, 2160};
constexpr int GridTop[frmVestrel::Rows] = {0, 360, 720, 1080};
constexpr int OptionSize = 255;

constexpr QRect ClientArea = twipsRect(0, 0, 8265, 5070);

QLabel* addLabel(QWidget* client, const char* name, const char* text, QRect twips)
{
    auto* label = new QLabel(QString::fromLatin1(text), client);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twips);
    return label;
}

QPushButton* addButton(QWidget* client, const char* name, const char* text, QRect twips)
{
    auto* button = new QPushButton(QString::fromLatin1(text), client);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(twips);
    return button;
}

}  // namespace

frmVestrel::frmVestrel(Runtime& runtime, QWidget* parent)
    : QMainWindow(parent),
      MSComm1(new MSComm(this)),
      runLoop_(*MSComm1, runtime, [this](std::string_view caption) {
          cmdRun->setText(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
      })
{
    setObjectName("frmVestrel");
    setWindowTitle("Kandimor");
    setFont(CaptionFont::font());
    MSComm1->setObjectName("MSComm1");

    auto* client = new QWidget(this);
    client->setObjectName("client");
    client->setFixedSize(ClientArea.size());
    setCentralWidget(client);
    buildControls(client);
    buildGrid(client);
    buildMenu();
    setTabOrder();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    cmdRun->setFocus();
    Form_Load();
}

void frmVestrel::buildControls(QWidget* client)
{
    cmdRun = addButton(client, "cmdRun", "Run", twipsRect(1200, 3600, 975, 375));
    cmdStop = addButton(client, "cmdStop", "Save", twipsRect(2880, 3600, 975, 375));
    cmdReset = addButton(client, "cmdReset", "Reset", twipsRect(1200, 4080, 975, 375));
    connect(cmdRun, &QPushButton::clicked, this, &frmVestrel::cmdRun_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmVestrel::cmdStop_Click);
    connect(cmdReset, &QPushButton::clicked, this, &frmVestrel::cmdReset_Click);

    HScroll1 = new ValueBar(client);
    HScroll1->setObjectName("HScroll1");
    HScroll1->setGeometry(twipsRect(960, 2760, 4815, 255));
    HScroll1->setRange(0, 255);
    HScroll1->setSingleStep(1);
    HScroll1->setPageStep(1);
    // A dragged thumb reports its value once, when it is let go.
    HScroll1->setTracking(false);
    HScroll1->setFocusPolicy(Qt::StrongFocus);
    HScroll1->setAccessibleName("Value");
    connect(HScroll1, &QScrollBar::valueChanged, this, &frmVestrel::HScroll1_Change);

    lblVal = addLabel(client, "lblVal", "", twipsRect(4560, 3600, 1215, 375));
    lblVal->setAlignment(Qt::AlignCenter);
    lblVal->setAutoFillBackground(true);
    QPalette white = lblVal->palette();
    white.setColor(QPalette::Window, QColor(255, 255, 255));
    white.setColor(QPalette::WindowText, QColor(0, 0, 0));
    lblVal->setPalette(white);
    lblVal->setAccessibleName("Value sent");

    for (int row = 0; row < Rows; ++row)
        addLabel(client, qPrintable(QString("Label%1").arg(row + 1)), RowNames[row],
                 twipsRect(120, 480 + 360 * row, 735, 255));
    addLabel(client, "Label5", ColumnNames[0], twipsRect(1320, 120, 375, 255));
    addLabel(client, "Label6", ColumnNames[1], twipsRect(1920, 120, 255, 255));
    // The two wider column labels are centred over their columns.
    addLabel(client, "Label7", ColumnNames[2], twipsRect(2520, 120, 495, 255))->setAlignment(Qt::AlignCenter);
    addLabel(client, "Label8", ColumnNames[3], twipsRect(3240, 120, 495, 255))->setAlignment(Qt::AlignCenter);
}

void frmVestrel::buildGrid(QWidget* client)
{
    Frame5 = new QWidget(client);
    Frame5->setObjectName("Frame5");
    Frame5->setGeometry(twipsRect(1200, 480, 2895, 1815));
    for (int index = 0; index < Rows * Columns; ++index) {
        const int row = index / Columns;
        const int column = index % Columns;
        auto* option = new QRadioButton(Frame5);
        option->setObjectName(QString("optSer%1").arg(index));
        option->setGeometry(twipsRect(GridLeft[column], GridTop[row], OptionSize, OptionSize));
        option->setAccessibleName(QString("%1 %2").arg(RowNames[row], ColumnNames[column]));
        // All sixteen share Frame5, so Qt keeps them one exclusive group.
        option->setAutoExclusive(true);
        connect(option, &QRadioButton::clicked, this, [this, index] {
            optSer_Click(static_cast<std::int16_t>(index));
        });
        optSer[static_cast<std::size_t>(index)] = option;
    }
}

void frmVestrel::buildMenu()
{
    // Two commands straight on the menu bar: a click acts, nothing drops down.
    QAction* mnuCom = menuBar()->addAction("Com");
    mnuCom->setObjectName("mnuCom");
    connect(mnuCom, &QAction::triggered, this, &frmVestrel::mnuCom_Click);
    QAction* mnuExit = menuBar()->addAction("Exit");
    mnuExit->setObjectName("mnuExit");
    connect(mnuExit, &QAction::triggered, this, &frmVestrel::mnuExit_Click);
}

void frmVestrel::setTabOrder()
{
    QWidget* previous = cmdRun;
    auto next = [&previous](QWidget* widget) {
        QWidget::setTabOrder(previous, widget);
        previous = widget;
    };
    next(cmdStop);
    next(HScroll1);
    for (QRadioButton* option : optSer)
        next(option);
    next(cmdReset);
}

void frmVestrel::Form_Load() { runLoop_.RunFlag = 0; }

void frmVestrel::optSer_Click(std::int16_t /*index*/)
{
    for (int index = 0; index < Rows * Columns; ++index) {
        if (optSer[static_cast<std::size_t>(index)]->isChecked()) {
            runLoop_.SelIndex = static_cast<std::int16_t>(index);
            return;
        }
    }
}

void frmVestrel::HScroll1_Change()
{
    runLoop_.PosValue = static_cast<std::int16_t>(HScroll1->value());
    lblVal->setText(QString::number(runLoop_.PosValue));
}

void frmVestrel::cmdRun_Click() { runLoop_.cmdRun_Click(); }

void frmVestrel::cmdStop_Click() { runLoop_.cmdStop_Click(); }

void frmVestrel::cmdReset_Click() { runLoop_.cmdReset_Click(); }

void frmVestrel::mnuCom_Click() { runLoop_.mnuCom_Click(); }

void frmVestrel::mnuExit_Click() { runLoop_.mnuExit_Click(); }

// The window first shows in the middle of the screen's free area, clear of the desktop's panels:
// whole on a 800 x 480 touchscreen too. A window manager may still place it as it likes.
void frmVestrel::showEvent(QShowEvent* event)
{
    if (!placed_) {
        placed_ = true;
        const QRect area = screen()->availableGeometry();
        QRect frame = frameGeometry();
        frame.moveCenter(area.center());
        move(std::max(frame.left(), area.left()), std::max(frame.top(), area.top()));
    }
    QMainWindow::showEvent(event);
}

// Closing the window does what Exit does, so a window that is gone never leaves a stream going.
void frmVestrel::closeEvent(QCloseEvent* event)
{
    event->ignore();
    mnuExit_Click();
}
