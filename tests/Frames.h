// SPDX-License-Identifier: MIT
#pragma once

#include "PtyPair.h"

#include <QByteArray>
#include <QStringList>

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

inline int count(const QStringList& frames, const QString& frame) { return static_cast<int>(frames.count(frame)); }

// The frames at the end of a stream that equal `frame`.
inline int trailing(const QStringList& frames, const QString& frame)
{
    int count = 0;
    for (auto it = frames.crbegin(); it != frames.crend() && *it == frame; ++it)
        ++count;
    return count;
}

// The frames in runs of equal ones: "F000 57".
inline QStringList phasesOf(const QStringList& frames)
{
    QStringList phases;
    for (const QString& frame : frames)
        if (phases.isEmpty() || phases.last().section(' ', 0, 0) != frame)
            phases << frame + " 1";
        else
            phases.last() = frame + " " + QString::number(phases.last().section(' ', 1).toInt() + 1);
    return phases;
}

// A line's far end as a test reads it, without waiting: all that came, and the whole frames in it.
struct FarEnd {
    PtyPair pty;
    QByteArray received;
    QStringList frames()
    {
        received += pty.readAvailable();
        return framesOf(received.left(received.size() / 5 * 5));
    }
};
