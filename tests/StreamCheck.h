// SPDX-License-Identifier: MIT
#pragma once

#include "MSComm.h"
#include "PtyPair.h"
#include "SerialControl.h"

#include <QByteArray>
#include <QStringList>

// The real serial control, counting the frames handed to it.
class CountingPort : public SerialControl {
public:
    explicit CountingPort(MSComm& real) : real_(real) {}
    bool PortOpen() const override { return real_.PortOpen(); }
    void setPortOpen(bool open) override
    {
        real_.setPortOpen(open);
        if (open)
            ++opens;
    }
    void setCommPort(std::int16_t number) override { real_.setCommPort(number); }
    void Output(std::string_view text) override
    {
        real_.Output(text);
        ++outputs;
    }
    Clock::time_point nextWriteTime() const override { return real_.nextWriteTime(); }

    int outputs = 0;
    int opens = 0;

private:
    MSComm& real_;
};

// Bytes from the far end as frames: "A000" for 00 41 30 30 30; a malformed frame shows as "?".
inline QStringList framesOf(const QByteArray& bytes)
{
    QStringList frames;
    for (qsizetype at = 0; at < bytes.size(); at += 5) {
        const QByteArray frame = bytes.mid(at, 5);
        frames << (frame.size() == 5 && frame[0] == '\0' ? QString::fromLatin1(frame.mid(1)) : QStringLiteral("?"));
    }
    return frames;
}

// The frames at the end of a stream that equal `frame`.
inline int trailing(const QStringList& frames, const QString& frame)
{
    int count = 0;
    for (auto it = frames.crbegin(); it != frames.crend() && *it == frame; ++it)
        ++count;
    return count;
}
