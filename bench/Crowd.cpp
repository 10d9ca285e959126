// SPDX-License-Identifier: MIT
#include "Crowd.h"

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

Crowd::Crowd(int processes, int filesEach)
{
    for (int i = 0; i < processes; ++i) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the benchmark
            for (int file = 0; file < filesEach; ++file)
                ::open("/dev/null", O_RDONLY);
            ::pause();
            ::_exit(0);
        }
        if (child > 0)
            children_.push_back(child);
    }
}

Crowd::~Crowd()
{
    for (const pid_t child : children_)
        ::kill(child, SIGKILL);
    for (const pid_t child : children_)
        ::waitpid(child, nullptr, 0);
}
