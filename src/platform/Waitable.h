// Objects a thread can wait for, together with others, in one WaitForObjects call:
// our stand-in for events and semaphores and the waits on several of them.
//
// Each waitable is backed by an eventfd, so that a thread may also wait for one of them and a
// device descriptor in a single poll(2) (the serial reader waits for the port and its stop
// signal this way). Fd() is readable while the object is signalled.
#pragma once

#include <cstdint>
#include <initializer_list>

constexpr uint32_t INFINITE = 0xFFFFFFFFu;
constexpr uint32_t WAIT_OBJECT_0 = 0;
constexpr uint32_t WAIT_TIMEOUT = 258;
constexpr uint32_t WAIT_FAILED = 0xFFFFFFFFu;

class CWaitable {
public:
    CWaitable() = default;
    CWaitable(const CWaitable&) = delete;
    CWaitable& operator=(const CWaitable&) = delete;
    virtual ~CWaitable();

    bool IsCreated() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    // Releases the descriptor; the object may be created again.
    void Close();

    // Takes the signal for a waiter that has seen Fd() readable: an auto-reset event is reset,
    // a semaphore counts down by one, a manual-reset event stays signalled. False when another
    // waiter took it first.
    virtual bool TryAcquire() = 0;

protected:
    int m_fd = -1;
};

// Waits until one of the objects is signalled or the time-out (ms, INFINITE for none) passes.
// When several are signalled the lowest position wins. Returns WAIT_OBJECT_0 + position,
// WAIT_TIMEOUT, or WAIT_FAILED with errno set.
uint32_t WaitForObjects(std::initializer_list<CWaitable*> objects, uint32_t timeoutMs);
uint32_t WaitForObjects(CWaitable* const* objects, int count, uint32_t timeoutMs);
uint32_t WaitForObject(CWaitable& object, uint32_t timeoutMs);
