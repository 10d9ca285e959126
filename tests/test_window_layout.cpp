// SPDX-License-Identifier: MIT
#include "ScriptedRuntime.h"
#include "frmVestrel.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

namespace {

struct Placed {
    const char* name;
    const char* caption;
    int left, top, width, height;  // twips
};

// Every control with its caption and place on the client area, in twips.
const Placed Controls[] = {
    {"cmdRun", "Run", 1200, 3600, 975, 375},
    {"cmdStop", "Save", 2880, 3600, 975, 375},
    {"cmdReset", "Reset", 1200, 4080, 975, 375},
    {"HScroll1", nullptr, 960, 2760, 4815, 255},
    {"lblVal", "", 4560, 3600, 1215, 375},
    {"Label1", "Servo 1", 120, 480, 735, 255},
    {"Label2", "Servo 2", 120, 840, 735, 255},
    {"Label3", "Servo 3", 120, 1200, 735, 255},
    {"Label4", "Servo 4", 120, 1560, 735, 255},
    {"Label5", "Off", 1320, 120, 375, 255},
    {"Label6", "On", 1920, 120, 255, 255},
    {"Label7", "Spd 0", 2520, 120, 495, 255},
    {"Label8", "Spd 1", 3240, 120, 495, 255},
    {"Frame5", nullptr, 1200, 480, 2895, 1815},
};

QRect pixels(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

// Where a widget draws its caption: a button inside its frame, as its style lays it out; a
// label anywhere in its contents.
QRect captionRoom(QWidget* widget, const QString& caption)
{
    auto* button = qobject_cast<QPushButton*>(widget);
    if (!button)
        return widget->contentsRect();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = caption;
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
}

// The caption drawn whole in its control, in the font the widget ends up with.
bool captionFits(QWidget* widget, const QString& caption)
{
    const QFontMetrics metrics(widget->font());
    const QRect room = captionRoom(widget, caption);
    const bool fits = metrics.horizontalAdvance(caption) <= room.width() && metrics.height() <= room.height();
    if (!fits)
        qWarning("%s: \"%s\" needs %dx%d, has %dx%d in %s", qPrintable(widget->objectName()), qPrintable(caption),
                 metrics.horizontalAdvance(caption), metrics.height(), room.width(), room.height(),
                 qPrintable(QFontInfo(widget->font()).family()));
    return fits;
}

}  // namespace

class WindowLayout : public QObject {
    Q_OBJECT

    ScriptedRuntime runtime;

    static QRect onClient(QWidget* widget, QWidget* client)
    {
        return {widget->mapTo(client, QPoint(0, 0)), widget->size()};
    }

private slots:
    void everyControlStandsWhereItShouldAndShowsItsCaptionWhole()
    {
        frmVestrel form(runtime);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), "Kandimor");
        // The font the captions are measured in is the one the window asks for, not a stand-in.
        qInfo("captions in %s, %d px", qPrintable(QFontInfo(form.font()).family()), QFontInfo(form.font()).pixelSize());
        QCOMPARE(QFontInfo(form.font()).family(), form.font().family());
        QWidget* client = form.centralWidget();
        QCOMPARE(client->size(), QSize(551, 338));
        QCOMPARE(client->geometry().top(), form.menuBar()->height());
        QCOMPARE(form.minimumSize(), form.maximumSize());  // a fixed size

        for (const Placed& placed : Controls) {
            auto* widget = form.findChild<QWidget*>(placed.name);
            QVERIFY2(widget, placed.name);
            QCOMPARE(onClient(widget, client), pixels(placed.left, placed.top, placed.width, placed.height));
            QString caption;
            if (auto* label = qobject_cast<QLabel*>(widget))
                caption = label->text();
            else if (auto* button = qobject_cast<QPushButton*>(widget))
                caption = button->text();
            if (placed.caption) {
                QCOMPARE(caption, placed.caption);
                // The value label's widest text, and the Run button's other caption.
                const QString widest = caption.isEmpty() ? "255" : caption == "Run" ? "Setting" : caption;
                QVERIFY2(captionFits(widget, caption.isEmpty() ? widest : caption), placed.name);
                QVERIFY2(captionFits(widget, widest), placed.name);
            }
        }

        // The grid: element i in row i / 4 and column i % 4, under its column label and level
        // with its row label.
        const int columnLeft[4] = {1320, 1920, 2640, 3360};
        const char* const rows[4] = {"Servo 1", "Servo 2", "Servo 3", "Servo 4"};
        const char* const columns[4] = {"Off", "On", "Spd 0", "Spd 1"};
        for (int index = 0; index < 16; ++index) {
            auto* option = form.findChild<QRadioButton*>(QString("optSer%1").arg(index));
            QVERIFY(option);
            QCOMPARE(option->parentWidget()->objectName(), "Frame5");
            QCOMPARE(onClient(option, client), pixels(columnLeft[index % 4], 480 + 360 * (index / 4), 255, 255));
            QCOMPARE(option->accessibleName(), QString("%1 %2").arg(rows[index / 4], columns[index % 4]));
            const QRect label = onClient(form.findChild<QWidget*>(QString("Label%1").arg(index / 4 + 1)), client);
            QCOMPARE(onClient(option, client).top(), label.top());
        }
        for (int column = 0; column < 4; ++column) {
            const QRect label = onClient(form.findChild<QWidget*>(QString("Label%1").arg(column + 5)), client);
            const QRect option = onClient(form.findChild<QWidget*>(QString("optSer%1").arg(column)), client);
            QVERIFY(label.left() <= option.left() + 1 && label.right() >= option.left());
        }

        auto* value = form.findChild<QLabel*>("lblVal");
        QCOMPARE(value->palette().color(value->backgroundRole()), QColor(255, 255, 255));
        QVERIFY(value->autoFillBackground());
        // Under a dark theme, switched to while the window is open, the value stays dark on
        // white and every other control takes the theme's colours.
        const QPalette before = QApplication::palette();
        const QColor light(230, 230, 230);
        const QPalette dark(light, QColor(60, 60, 60), QColor(90, 90, 90), QColor(30, 30, 30), QColor(45, 45, 45),
                            light, Qt::white, QColor(35, 35, 35), QColor(50, 50, 50));
        QApplication::setPalette(dark);
        const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });  // also on a failed check
        QCoreApplication::processEvents(); // the change reaches the widgets as a posted event
        QCOMPARE(value->palette().color(value->backgroundRole()), QColor(255, 255, 255));
        QCOMPARE(value->palette().color(value->foregroundRole()), QColor(0, 0, 0));
        if (const QString pictures = qEnvironmentVariable("KANDIMOR_PICTURES"); !pictures.isEmpty()) {
            // For tools/screenshot.sh: the panel as in docs/panel.png, Servo 2 / On at 128.
            form.findChild<QRadioButton*>("optSer5")->click();
            form.findChild<QScrollBar*>("HScroll1")->setValue(128);
            QVERIFY(form.grab().save(pictures + "/panel-dark.png"));
        }
        // The roles a label, a button's face and caption, and a radio button's circle and dot are
        // drawn in.
        for (const QWidget* control : form.findChildren<QWidget*>())
            for (const auto role : {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText,
                                    QPalette::Base, QPalette::Text})
                if (control != value && !control->isWindow())
                    QCOMPARE(control->palette().color(role), dark.color(role));
        QCOMPARE(value->alignment(), Qt::AlignCenter);
        QVERIFY(!value->accessibleName().isEmpty());
        QVERIFY(!form.findChild<QWidget*>("HScroll1")->accessibleName().isEmpty());
        QVERIFY(form.findChild<QObject*>("MSComm1"));
    }

    void menuHasTwoCommandsThatActOnAClick()
    {
        frmVestrel form(runtime);
        const QList<QAction*> actions = form.menuBar()->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0]->text(), "Com");
        QCOMPARE(actions[0]->objectName(), "mnuCom");
        QCOMPARE(actions[1]->text(), "Exit");
        QCOMPARE(actions[1]->objectName(), "mnuExit");
        for (QAction* action : actions)
            QVERIFY(!action->menu());
    }

    void tabOrderFocusAndTheGridGroup()
    {
        frmVestrel form(runtime);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget()->objectName(), "cmdRun");

        QStringList order;
        QWidget* widget = form.findChild<QWidget*>("cmdRun");
        for (int i = 0; i < 20; ++i, widget = widget->nextInFocusChain()) {
            while (!(widget->focusPolicy() & Qt::TabFocus))
                widget = widget->nextInFocusChain();
            order << widget->objectName();
        }
        QStringList expected{"cmdRun", "cmdStop", "HScroll1"};
        for (int index = 0; index < 16; ++index)
            expected << QString("optSer%1").arg(index);
        expected << "cmdReset";
        QCOMPARE(order, expected);

        // One exclusive group, none selected at first.
        QList<QRadioButton*> options;
        for (int index = 0; index < 16; ++index)
            options << form.findChild<QRadioButton*>(QString("optSer%1").arg(index));
        for (QRadioButton* option : options)
            QVERIFY(!option->isChecked());
        QTest::mouseClick(options[5], Qt::LeftButton);
        QTest::mouseClick(options[11], Qt::LeftButton);
        for (int index = 0; index < 16; ++index)
            QCOMPARE(options[index]->isChecked(), index == 11);
    }

    void scrollBarRunsFrom0To255ByOnes()
    {
        frmVestrel form(runtime);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* bar = form.findChild<QScrollBar*>("HScroll1");
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 255);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(bar->singleStep(), 1);
        QCOMPARE(bar->pageStep(), 1);
        QVERIFY(!bar->hasTracking());  // a drag reports once, on release
        QCOMPARE(form.findChild<QLabel*>("lblVal")->text(), "");

        // A click on the track, right of the thumb, moves by one.
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() * 3 / 4, bar->height() / 2));
        QCOMPARE(bar->value(), 1);
        QCOMPARE(form.findChild<QLabel*>("lblVal")->text(), "1");
    }
};

QTEST_MAIN(WindowLayout)
#include "test_window_layout.moc"
