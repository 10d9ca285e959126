// SPDX-License-Identifier: MIT
#include "LineWatch.h"

#include "PseudoTerminal.h"
#include "StatusDisplay.h"
#include "StopSignals.h"

#include <array>
#include <cerrno>
#include <poll.h>
#include <system_error>

LineWatch::LineWatch(PseudoTerminal& line, const StopSignals& stop, StatusDisplay& display)
    : line_(line), stop_(stop), display_(display)
{
}

void LineWatch::run()
{
    display_.status(monitor_.statusLine(now()));
    while (step()) {
        show(monitor_.idle(now()));
        display_.status(monitor_.statusLine(now()));
    }
    display_.finish();
}

bool LineWatch::step()
{
    // While nobody holds the line, the master reports the hang-up at once on every poll: wait
    // on the stop alone and only then look at the line again.
    if (hungUp_ && stopAskedWithin(Tick))
        return false;
    pollfd watched[2] = {{stop_.fd(), POLLIN, 0}, {line_.masterFd(), POLLIN, 0}};
    const int ready = ::poll(watched, 2, hungUp_ ? 0 : static_cast<int>(Tick.count()));
    if (ready < 0 && errno != EINTR)
        throw std::system_error(errno, std::generic_category(), "poll");
    if (ready < 0)
        return true;
    if (watched[0].revents != 0)
        return false;
    const short events = watched[1].revents;
    if (events & POLLIN) {
        readLine();
    } else if (events & POLLHUP) {
        lineHungUp();
    } else if (hungUp_) {
        // No hang-up any more: the panel has opened the line, and has not written yet.
        hungUp_ = false;
        connected_ = true;
        show(monitor_.panelConnected());
    }
    return true;
}

bool LineWatch::stopAskedWithin(std::chrono::milliseconds timeout) const
{
    pollfd stop{stop_.fd(), POLLIN, 0};
    const int ready = ::poll(&stop, 1, static_cast<int>(timeout.count()));
    if (ready < 0 && errno != EINTR)
        throw std::system_error(errno, std::generic_category(), "poll");
    return ready > 0;
}

void LineWatch::readLine()
{
    std::array<unsigned char, 4096> buffer;
    const PseudoTerminal::Reading reading = line_.read(buffer.data(), buffer.size());
    if (reading.hungUp) {
        lineHungUp();
        return;
    }
    if (reading.count == 0)
        return;
    // Bytes can be waiting from a panel that opened, wrote and closed between two looks.
    hungUp_ = false;
    if (!connected_) {
        connected_ = true;
        show(monitor_.panelConnected());
    }
    show(monitor_.take(buffer.data(), reading.count, now()));
}

void LineWatch::lineHungUp()
{
    hungUp_ = true;
    if (!connected_)
        return;
    connected_ = false;
    show(monitor_.panelDisconnected());
}

void LineWatch::show(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        display_.log(line, now());
}

WireMonitor::Time LineWatch::now() const
{
    return std::chrono::duration_cast<WireMonitor::Time>(Clock::now() - start_);
}
