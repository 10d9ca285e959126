// SPDX-License-Identifier: MIT
#include "PtyPair.h"

#include "PortTableLinux.h"

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[128] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    slavePath_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    termios raw{};
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (slave_ >= 0)
        ::close(slave_);
}

std::int16_t PtyPair::portNumber() const
{
    const auto number = PortTable::numberOfPseudoTerminal(slavePath_);
    if (!number)
        throw std::runtime_error("pseudo-terminal outside the port table: " + slavePath_);
    return *number;
}

QByteArray PtyPair::readAvailable()
{
    QByteArray received;
    char chunk[4096];
    for (;;) {
        const ssize_t got = master_ < 0 ? -1 : ::read(master_, chunk, sizeof chunk);
        if (got > 0)
            received.append(chunk, got);
        else if (got < 0 && errno == EINTR)
            continue;
        else
            return received;
    }
}

void PtyPair::closeMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}
