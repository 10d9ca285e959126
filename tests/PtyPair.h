// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>

// A real pseudo-terminal: the program opens the slave as its serial port, the test reads what
// arrives at the master, the far end of the line.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    std::string slavePath() const { return slavePath_; }
    // The number to type at the panel's prompt for this line.
    std::int16_t portNumber() const;
    int slaveFd() const { return slave_; }
    int masterFd() const { return master_; }

    // Everything that has arrived since the last call, without waiting.
    QByteArray readAvailable();
    // The far end goes away, as when a cable is pulled.
    void closeMaster();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
