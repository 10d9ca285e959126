// SPDX-License-Identifier: MIT
#include "PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

PseudoTerminal::PseudoTerminal()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0)
        fail("posix_openpt");
    const char* name = nullptr;
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || (name = ::ptsname(master_)) == nullptr) {
        const int error = errno;
        ::close(master_);
        throw std::system_error(error, std::generic_category(), "preparing the pseudo-terminal");
    }
    slavePath_ = name;
    try {
        makeRaw();
    } catch (...) {
        ::close(master_);
        throw;
    }
}

PseudoTerminal::~PseudoTerminal() { ::close(master_); }

// Raw from the start, so the line discipline passes every byte the panel writes through as it
// is, whatever settings the panel leaves in place. The settings outlive this short open.
void PseudoTerminal::makeRaw()
{
    const int slave = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0)
        fail("opening the slave side");
    termios settings{};
    bool done = ::tcgetattr(slave, &settings) == 0;
    if (done) {
        ::cfmakeraw(&settings);
        done = ::tcsetattr(slave, TCSANOW, &settings) == 0;
    }
    const int error = errno;
    ::close(slave);
    if (!done)
        throw std::system_error(error, std::generic_category(), "setting the line raw");
}

PseudoTerminal::Reading PseudoTerminal::read(unsigned char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(master_, buffer, size);
        if (got > 0)
            return {static_cast<std::size_t>(got), false};
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            return {};
        // EIO (or an end of file): the last opener of the slave has closed it.
        if (got == 0 || errno == EIO)
            return {0, true};
        fail("reading the line");
    }
}
