// SPDX-License-Identifier: MIT
#include "LineWatch.h"
#include "PortTableLinux.h"
#include "PseudoTerminal.h"
#include "StatusDisplay.h"
#include "StopSignals.h"

#include <cstdio>
#include <exception>
#include <unistd.h>

// A servo controller that is not there: a pseudo-terminal for the panel to stream to, and a
// running account of what arrives. Ends on Ctrl-C, SIGTERM or SIGHUP.
int main()
{
    try {
        PseudoTerminal line;
        const auto number = PortTable::numberOfPseudoTerminal(line.slavePath());
        if (!number) {
            std::fprintf(stderr, "kandimor-virtual-controller: %s has no port number (1000-1999 name /dev/pts/0-999)\n",
                         line.slavePath().c_str());
            return 1;
        }
        const StopSignals stop;
        std::printf("Virtual servo controller (pid %d) on %s\n", static_cast<int>(::getpid()),
                    line.slavePath().c_str());
        std::printf("At the panel's prompt \"Check COM port, change if required\" type: %d\n", *number);
        std::fflush(stdout);
        StatusDisplay display(stdout, ::isatty(STDOUT_FILENO) == 1);
        LineWatch(line, stop, display).run();
        std::printf("Virtual servo controller stopped\n");
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kandimor-virtual-controller: %s\n", error.what());
        return 1;
    }
}
