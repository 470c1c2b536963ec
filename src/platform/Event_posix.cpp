#include "platform/Event.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

bool CEvent::Create(bool manualReset, bool initiallySignalled)
{
    Close();
    m_manualReset = manualReset;
    m_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_fd < 0)
        return false;
    if (initiallySignalled)
        Set();
    return true;
}

bool CEvent::Set()
{
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    // A signalled event stays at one count however often it is set.
    if (IsSet())
        return true;
    uint64_t one = 1;
    for (;;) {
        if (::write(m_fd, &one, sizeof one) == sizeof one)
            return true;
        if (errno != EINTR)
            return false;
    }
}

bool CEvent::Reset()
{
    if (m_fd < 0) {
        errno = EBADF;
        return false;
    }
    uint64_t value = 0;
    while (::read(m_fd, &value, sizeof value) < 0) {
        if (errno == EAGAIN)
            return true; // was not signalled
        if (errno != EINTR)
            return false;
    }
    return true;
}

bool CEvent::IsSet() const
{
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

bool CEvent::TryAcquire()
{
    if (m_manualReset)
        return true;
    uint64_t value = 0;
    for (;;) {
        if (::read(m_fd, &value, sizeof value) == sizeof value)
            return true;
        if (errno != EINTR)
            return false; // EAGAIN: another waiter took it
    }
}
