// SPDX-License-Identifier: MIT
#pragma once

#include "RunLoop.h"

#include <QMainWindow>

#include <array>
#include <cstdint>

class MSComm;
class QLabel;
class QPushButton;
class QRadioButton;
class ValueBar;
class Runtime;

// The panel's one window: the 4 x 4 grid of servos against modes, the value scroll bar and its
// label, Run, Save and Reset, and the menu commands Com and Exit.
class frmVestrel : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int Rows = 4;
    static constexpr int Columns = 4;

    explicit frmVestrel(Runtime& runtime, QWidget* parent = nullptr);

    RunLoop& runLoop() { return runLoop_; }
    MSComm& serialControl() { return *MSComm1; }

    void Form_Load();
    void optSer_Click(std::int16_t index);
    void HScroll1_Change();
    void cmdRun_Click();
    void cmdStop_Click();
    void cmdReset_Click();
    void mnuCom_Click();
    void mnuExit_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls(QWidget* client);
    void buildGrid(QWidget* client);
    void buildMenu();
    void setTabOrder();

    MSComm* MSComm1;
    RunLoop runLoop_;
    QPushButton* cmdRun = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdReset = nullptr;
    ValueBar* HScroll1 = nullptr;
    QLabel* lblVal = nullptr;
    QWidget* Frame5 = nullptr;
    std::array<QRadioButton*, Rows * Columns> optSer{};
    bool placed_ = false;
};
