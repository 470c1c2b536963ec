#include "platform/Thread.h"

#include <cerrno>
#include <system_error>

CThread::~CThread()
{
    Join();
}

bool CThread::Start(std::function<void()> body, ThreadPriority priority)
{
    if (m_thread.joinable()) {
        errno = EBUSY;
        return false;
    }
    if (!m_endedEvent.Create(true, false))
        return false;
    m_ended = false;
    try {
        m_thread = std::thread([this, body = std::move(body), priority] {
            ApplyThreadPriority(priority);
            body();
            m_ended = true;
            m_endedEvent.Set();
        });
    } catch (const std::system_error& e) {
        m_endedEvent.Close();
        errno = e.code().value() != 0 ? e.code().value() : EAGAIN;
        return false;
    }
    return true;
}

bool CThread::WaitForEnd(uint32_t timeoutMs)
{
    if (!m_thread.joinable())
        return true;
    if (m_ended.load())
        return true;
    return WaitForObject(m_endedEvent, timeoutMs) == WAIT_OBJECT_0;
}

void CThread::Join()
{
    if (m_thread.joinable() && !IsCurrentThread()) {
        m_thread.join();
        m_endedEvent.Close();
    }
}
