// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

class QRadioButton;
class QScrollBar;
class QTimer;
class frmVestrel;

// Plays the user: at random moments it clicks another grid cell or steps the scroll bar, through
// the widgets, and notes when it did so and which frame content the change asks for.
class ChangeDriver : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    struct Change {
        Clock::time_point at{};
        char command = 0;
        int value = 0;
    };

    ChangeDriver(frmVestrel& form, std::uint32_t seed, std::size_t capacity, QObject* parent = nullptr);

    // Puts the form in its first state (cell 0, value 128) before the stream starts.
    void prepare();
    void start();
    void stop();

    std::size_t changeCount() const { return count_; }
    const Change& change(std::size_t index) const { return changes_[index]; }

private:
    struct State {
        int cell = 0;
        int value = 0;
        bool operator==(const State&) const = default;
    };

    void makeChange();
    State pickNextState();
    bool seenLately(const State& state) const;
    void apply(const State& next);
    void remember(const State& state);
    void scheduleNext();

    QTimer* timer_;
    std::array<QRadioButton*, 16> cells_{};
    QScrollBar* scrollBar_ = nullptr;
    std::mt19937 random_;
    // Recent states: a change never returns to one of them, so every change is told apart on
    // the wire from the frames before it.
    std::array<State, 3> recent_{};
    std::vector<Change> changes_;
    std::size_t count_ = 0;
};
