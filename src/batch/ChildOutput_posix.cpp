#include "batch/ChildOutput_posix.h"

#include <unistd.h>

#include <cerrno>

int ReadChildOutput(pollfd (&fds)[2], std::string* output, std::string* errors)
{
    int open = 0;
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd >= 0 && fds[i].revents != 0) {
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0)
                (i == 0 ? output : errors)->append(buffer, static_cast<size_t>(got));
            else if (got == 0 || errno != EINTR)
                fds[i].fd = -1;
        }
        if (fds[i].fd >= 0)
            ++open;
    }
    return open;
}
