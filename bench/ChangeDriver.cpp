// SPDX-License-Identifier: MIT
#include "ChangeDriver.h"

#include "frmVestrel.h"

#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

namespace {

// Between changes: long enough for the panel to write a frame of every state (one per 5.2 ms),
// short enough for many hundreds of changes a minute.
constexpr int ShortestGapMs = 12;
constexpr int LongestGapMs = 60;
constexpr int FirstValue = 128;

}  // namespace

ChangeDriver::ChangeDriver(frmVestrel& form, std::uint32_t seed, std::size_t capacity, QObject* parent)
    : QObject(parent), timer_(new QTimer(this)), random_(seed), changes_(capacity)
{
    for (int index = 0; index < static_cast<int>(cells_.size()); ++index) {
        cells_[static_cast<std::size_t>(index)] = form.findChild<QRadioButton*>(QString("optSer%1").arg(index));
        if (!cells_[static_cast<std::size_t>(index)])
            throw std::runtime_error("the form has no grid cell " + std::to_string(index));
    }
    scrollBar_ = form.findChild<QScrollBar*>("HScroll1");
    if (!scrollBar_)
        throw std::runtime_error("the form has no scroll bar");
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &ChangeDriver::makeChange);
}

void ChangeDriver::prepare()
{
    QTest::mouseClick(cells_[0], Qt::LeftButton);
    scrollBar_->setValue(FirstValue);
    recent_.fill(State{0, FirstValue});
}

void ChangeDriver::start() { scheduleNext(); }

void ChangeDriver::stop() { timer_->stop(); }

void ChangeDriver::scheduleNext()
{
    std::uniform_int_distribution<int> gap(ShortestGapMs, LongestGapMs);
    timer_->start(gap(random_));
}

void ChangeDriver::makeChange()
{
    if (count_ < changes_.size()) {
        const State next = pickNextState();
        const auto at = Clock::now();
        apply(next);
        const State shown{next.cell, scrollBar_->value()};
        changes_[count_++] = Change{at, static_cast<char>('A' + shown.cell), shown.value};
        remember(shown);
    }
    scheduleNext();
}

ChangeDriver::State ChangeDriver::pickNextState()
{
    const State current = recent_.front();
    std::bernoulli_distribution clickCell(0.5);
    std::uniform_int_distribution<int> otherCell(1, static_cast<int>(cells_.size()) - 1);
    State next = current;
    do {
        next = current;
        if (clickCell(random_))
            next.cell = (current.cell + otherCell(random_)) % static_cast<int>(cells_.size());
        else if (current.value == 255 || (current.value > 0 && clickCell(random_)))
            --next.value;
        else
            ++next.value;
    } while (seenLately(next));
    return next;
}

bool ChangeDriver::seenLately(const State& state) const
{
    return std::find(recent_.begin(), recent_.end(), state) != recent_.end();
}

void ChangeDriver::apply(const State& next)
{
    const State current = recent_.front();
    if (next.cell != current.cell)
        QTest::mouseClick(cells_[static_cast<std::size_t>(next.cell)], Qt::LeftButton);
    else
        scrollBar_->triggerAction(next.value > current.value ? QAbstractSlider::SliderSingleStepAdd
                                                             : QAbstractSlider::SliderSingleStepSub);
}

void ChangeDriver::remember(const State& state)
{
    std::rotate(recent_.rbegin(), recent_.rbegin() + 1, recent_.rend());
    recent_.front() = state;
}
