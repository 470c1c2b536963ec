#include "platform/Waitable.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>
#include <vector>

void CWaitable::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

uint32_t WaitForObjects(CWaitable* const* objects, int count, uint32_t timeoutMs)
{
    if (count <= 0 || count > 64) {
        errno = EINVAL;
        return WAIT_FAILED;
    }
    std::vector<pollfd> fds(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (objects[i] == nullptr || !objects[i]->IsCreated()) {
            errno = EBADF;
            return WAIT_FAILED;
        }
        fds[static_cast<size_t>(i)] = pollfd{objects[i]->Fd(), POLLIN, 0};
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs == INFINITE ? 0 : timeoutMs);
    for (;;) {
        int waitMs = -1;
        if (timeoutMs != INFINITE) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left < 0)
                left = 0;
            waitMs = static_cast<int>(left);
        }
        int n = ::poll(fds.data(), fds.size(), waitMs);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return WAIT_FAILED;
        }
        if (n == 0) {
            if (timeoutMs != INFINITE && Clock::now() >= deadline)
                return WAIT_TIMEOUT;
            continue;
        }
        for (int i = 0; i < count; ++i) {
            short revents = fds[static_cast<size_t>(i)].revents;
            if (revents & (POLLERR | POLLNVAL)) {
                errno = EBADF;
                return WAIT_FAILED;
            }
            if ((revents & POLLIN) && objects[i]->TryAcquire())
                return WAIT_OBJECT_0 + static_cast<uint32_t>(i);
        }
        // Another waiter took the signal first: wait again.
    }
}
