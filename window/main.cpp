// SPDX-License-Identifier: MIT
#include "QtRuntime.h"
#include "Sermod1.h"
#include "frmVestrel.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kandimor");
    QtRuntime runtime;
    std::unique_ptr<frmVestrel> window;
    Sermod1::Main(runtime, [&] {
        window = std::make_unique<frmVestrel>(runtime);
        window->show();
    });
    return QApplication::exec();
}
