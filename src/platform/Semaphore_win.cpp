#include "platform/Semaphore.h"

#include <windows.h>

bool CSemaphore::Create(int initialCount, int maximumCount)
{
    Close();
    if (initialCount < 0 || maximumCount <= 0 || initialCount > maximumCount) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    m_handle = ::CreateSemaphoreA(nullptr, initialCount, maximumCount, nullptr);
    if (m_handle == nullptr)
        return false;
    m_count = initialCount;
    m_maximum = maximumCount;
    return true;
}

bool CSemaphore::Release()
{
    if (m_handle == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // Count first, so that a waiter woken at once never sees the count below zero.
    ++m_count;
    if (!::ReleaseSemaphore(m_handle, 1, nullptr)) {
        --m_count; // ERROR_TOO_MANY_POSTS at the maximum
        return false;
    }
    return true;
}

bool CSemaphore::TryAcquire()
{
    if (m_handle == nullptr || ::WaitForSingleObject(m_handle, 0) != WAIT_OBJECT_0)
        return false;
    Acquired();
    return true;
}

void CSemaphore::Acquired()
{
    --m_count;
}
