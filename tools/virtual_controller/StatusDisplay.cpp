// SPDX-License-Identifier: MIT
#include "StatusDisplay.h"

StatusDisplay::StatusDisplay(std::FILE* out, bool interactive) : out_(out), interactive_(interactive) {}

void StatusDisplay::log(const std::string& line, std::chrono::milliseconds sinceStart)
{
    clearStatus();
    const auto millis = sinceStart.count();
    std::fprintf(out_, "[%6lld.%03lld] %s\n", static_cast<long long>(millis / 1000),
                 static_cast<long long>(millis % 1000), line.c_str());
    if (interactive_)
        std::fputs(shown_.c_str(), out_);
    std::fflush(out_);
}

void StatusDisplay::status(const std::string& line)
{
    if (!interactive_ || line == shown_)
        return;
    clearStatus();
    shown_ = line;
    std::fputs(shown_.c_str(), out_);
    std::fflush(out_);
}

void StatusDisplay::finish()
{
    if (interactive_ && !shown_.empty())
        std::fputc('\n', out_);
    shown_.clear();
    std::fflush(out_);
}

void StatusDisplay::clearStatus()
{
    // Back to the start of the line and erase it: the next text replaces the status.
    if (interactive_ && !shown_.empty())
        std::fputs("\r\033[K", out_);
}
