// Objects a thread can wait for, together with others, in one WaitForObjects call:
// our stand-in for events and semaphores and the waits on several of them.
//
// On POSIX each waitable is backed by an eventfd, so that a thread may also wait for one of them
// and a device descriptor in a single poll(2) (the serial reader waits for the port and its stop
// signal this way). Fd() is readable while the object is signalled. On Windows each is a kernel
// object (CreateEvent, CreateSemaphore) and Handle() is the HANDLE that overlapped I/O and
// WaitForMultipleObjects take.
//
// Failures leave the system's error code in place: errno on POSIX, GetLastError() on Windows.
#pragma once

#include <cstdint>
#include <initializer_list>

// The values of the Win32 names; <windows.h>, when included first, defines them itself.
#ifndef INFINITE
constexpr uint32_t INFINITE = 0xFFFFFFFFu;
#endif
#ifndef WAIT_OBJECT_0
constexpr uint32_t WAIT_OBJECT_0 = 0;
#endif
#ifndef WAIT_TIMEOUT
constexpr uint32_t WAIT_TIMEOUT = 258;
#endif
#ifndef WAIT_FAILED
constexpr uint32_t WAIT_FAILED = 0xFFFFFFFFu;
#endif

class CWaitable {
public:
    CWaitable() = default;
    CWaitable(const CWaitable&) = delete;
    CWaitable& operator=(const CWaitable&) = delete;
    virtual ~CWaitable();

#ifdef _WIN32
    bool IsCreated() const { return m_handle != nullptr; }
    // The kernel object's HANDLE (void* is what <windows.h> calls HANDLE).
    void* Handle() const { return m_handle; }
#else
    bool IsCreated() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
#endif
    // Releases the descriptor or handle; the object may be created again.
    void Close();

    // Takes the signal for a waiter that has seen Fd() readable: an auto-reset event is reset,
    // a semaphore counts down by one, a manual-reset event stays signalled. False when another
    // waiter took it first.
    virtual bool TryAcquire() = 0;
    // Told that a wait took the signal by itself (a Win32 wait takes it in the kernel).
    virtual void Acquired() {}

protected:
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

// Waits until one of the objects (at most 64) is signalled or the time-out (ms, INFINITE for
// none) passes. When several are signalled the lowest position wins. Returns WAIT_OBJECT_0 +
// position, WAIT_TIMEOUT, or WAIT_FAILED with the system's error code set.
uint32_t WaitForObjects(std::initializer_list<CWaitable*> objects, uint32_t timeoutMs);
uint32_t WaitForObjects(CWaitable* const* objects, int count, uint32_t timeoutMs);
uint32_t WaitForObject(CWaitable& object, uint32_t timeoutMs);
