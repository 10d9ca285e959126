// SPDX-License-Identifier: MIT
#pragma once

#include "LinePacer.h"
#include "SerialControl.h"
#include "SerialLine.h"
#include "WriteLead.h"

#include <QByteArray>
#include <QObject>

#include <optional>
#include <string>

class QTimer;

// The serial control: one port at 9600 baud, 8 data bits, no parity, 1 stop bit, no flow
// control, write only, opened for exclusive use.
//
// Output goes into a 512-byte buffer, and from there to the OS a little slower than the line
// carries it, so the OS never holds a backlog: what is written now is on the wire within
// milliseconds, even on a line whose clock runs slow. The next write is wanted just before the
// line would fall idle.
// A full buffer, or an OS that takes nothing (the far end has stopped reading), makes Output wait
// (dispatching no event) for a bounded time, then fail.
class MSComm : public QObject, public SerialControl {
    Q_OBJECT

public:
    static constexpr int Baud = 9600;
    static constexpr std::size_t OutputBufferSize = 512;

    explicit MSComm(QObject* parent = nullptr);
    ~MSComm() override;

    bool PortOpen() const override;
    void setPortOpen(bool open) override;
    void setCommPort(std::int16_t number) override;
    void Output(std::string_view text) override;
    Clock::time_point nextWriteTime() const override;

    // Bytes taken by Output that are not yet on the wire.
    std::size_t pendingBytes() const;

private:
    std::size_t buffered() const { return static_cast<std::size_t>(buffer_.size()); }
    std::size_t room() const { return osRefuses_ ? 0 : OutputBufferSize - buffered(); }
    void open();
    void close();
    void lose(PortFault::Kind why);
    PortFault fault(PortFault::Kind kind) const;
    PortFailure closedFailure() const;
    void forgetOutput();
    void feed();
    void scheduleFeed(Clock::time_point now);
    Clock::time_point nextFeedTime(Clock::time_point now) const;
    void waitForRoom(std::size_t bytes);
    Clock::time_point osDrainedAt(Clock::time_point now) const;
    std::size_t heldByOs(Clock::time_point now) const;
    std::size_t queuedInOs() const;

    SerialLine line_;
    QTimer* feedTimer_;
    QByteArray buffer_;
    LinePacer pacer_;
    WriteLead lead_;
    // When the line was to fall idle, as the caller was last told when to write next: the next
    // write shows how late the caller came.
    mutable std::optional<Clock::time_point> askedIdleAt_;
    std::int16_t commPort_ = 1;
    std::optional<PortFault> lost_;  // why the line was lost, unless it was not
    Clock::time_point lastProgress_{};
    // The OS took none of the bytes last offered: whatever is taken now may never leave.
    bool osRefuses_ = false;
    // The most the OS can still hold: what it was handed, less what its own count has since
    // shown gone. Its count is believed up to this and no further.
    mutable std::size_t osAtMost_ = 0;
};
