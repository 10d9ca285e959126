// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

// A user's actions during a run: a step that runs every couple of milliseconds inside the run
// loop's event pump. Should a test's condition never come, giveUp ends the run after a generous
// bound, so the test fails on its checks instead of hanging.
class Driver {
public:
    Driver(std::function<void()> step, std::function<void()> giveUp)
    {
        clock_.start();
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this, step = std::move(step), giveUp = std::move(giveUp)] {
            if (clock_.elapsed() < 20000)
                return step();
            timer_.stop();
            giveUp();
        });
        timer_.start();
    }
    void stop() { timer_.stop(); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
};

// Runs the action from the event loop, nested in whatever is pumping it.
inline void later(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }
