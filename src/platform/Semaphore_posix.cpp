#include "platform/Semaphore.h"

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

bool CSemaphore::Create(int initialCount, int maximumCount)
{
    Close();
    if (initialCount < 0 || maximumCount <= 0 || initialCount > maximumCount) {
        errno = EINVAL;
        return false;
    }
    m_fd = ::eventfd(static_cast<unsigned>(initialCount), EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
    if (m_fd < 0)
        return false;
    m_count = initialCount;
    m_maximum = maximumCount;
    return true;
}

bool CSemaphore::Release()
{
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    int count = m_count.load();
    do {
        if (count >= m_maximum) {
            errno = EOVERFLOW;
            return false;
        }
    } while (!m_count.compare_exchange_weak(count, count + 1));
    uint64_t one = 1;
    while (::write(m_fd, &one, sizeof one) != sizeof one) {
        if (errno != EINTR) {
            --m_count;
            return false;
        }
    }
    return true;
}

bool CSemaphore::TryAcquire()
{
    uint64_t value = 0;
    for (;;) {
        if (::read(m_fd, &value, sizeof value) == sizeof value) {
            Acquired();
            return true;
        }
        if (errno != EINTR)
            return false;
    }
}

void CSemaphore::Acquired()
{
    --m_count;
}
