#include "platform/Waitable.h"

#include <windows.h>

#include <chrono>

void CWaitable::Close()
{
    if (m_handle != nullptr) {
        ::CloseHandle(m_handle);
        m_handle = nullptr;
    }
}

uint32_t WaitForObjects(CWaitable* const* objects, int count, uint32_t timeoutMs)
{
    if (count <= 0 || count > MAXIMUM_WAIT_OBJECTS) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    for (int i = 0; i < count; ++i) {
        if (objects[i] == nullptr || !objects[i]->IsCreated()) {
            ::SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        handles[i] = objects[i]->Handle();
    }
    // The system's timer may end a wait a little early; wait again until the time has passed.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs == INFINITE ? 0 : timeoutMs);
    DWORD waitMs = timeoutMs;
    for (;;) {
        const DWORD result = ::WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, waitMs);
        if (result < WAIT_OBJECT_0 + static_cast<DWORD>(count)) {
            objects[result - WAIT_OBJECT_0]->Acquired();
            return result;
        }
        if (result != WAIT_TIMEOUT) {
            if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + static_cast<DWORD>(count))
                ::SetLastError(ERROR_INVALID_HANDLE); // only mutexes are abandoned; we make none
            return WAIT_FAILED;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return WAIT_TIMEOUT;
        waitMs = static_cast<DWORD>(left);
    }
}
