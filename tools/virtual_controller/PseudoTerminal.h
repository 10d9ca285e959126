// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

// The controller's end of a virtual serial line. The panel opens the slave path as its port;
// this side only ever reads from the master. No slave stays open here, so the master reports a
// hang-up whenever the panel is not holding the line, and the path stays openable meanwhile.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    // What one read without waiting gave.
    struct Reading {
        std::size_t count = 0;
        bool hungUp = false;  // nobody holds the slave open any more
    };
    Reading read(unsigned char* buffer, std::size_t size);

private:
    void makeRaw();

    int master_ = -1;
    std::string slavePath_;
};
