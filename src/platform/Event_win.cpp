#include "platform/Event.h"

#include <windows.h>

bool CEvent::Create(bool manualReset, bool initiallySignalled)
{
    Close();
    m_manualReset = manualReset;
    m_handle = ::CreateEventA(nullptr, manualReset ? TRUE : FALSE, initiallySignalled ? TRUE : FALSE, nullptr);
    return m_handle != nullptr;
}

bool CEvent::Set()
{
    if (m_handle == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return ::SetEvent(m_handle) != FALSE;
}

bool CEvent::Reset()
{
    if (m_handle == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return ::ResetEvent(m_handle) != FALSE;
}

bool CEvent::IsSet() const
{
    if (m_handle == nullptr)
        return false;
    if (::WaitForSingleObject(m_handle, 0) != WAIT_OBJECT_0)
        return false;
    // Looking must not take the signal of an auto-reset event: give it back.
    if (!m_manualReset)
        ::SetEvent(m_handle);
    return true;
}

bool CEvent::TryAcquire()
{
    return m_handle != nullptr && ::WaitForSingleObject(m_handle, 0) == WAIT_OBJECT_0;
}
