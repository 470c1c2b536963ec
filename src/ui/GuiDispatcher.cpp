#include "ui/GuiDispatcher.h"

#include <QMetaObject>
#include <QThread>

CGuiDispatcher::CGuiDispatcher() : m_shared(std::make_shared<Shared>()), m_context(new QObject) {}

CGuiDispatcher::~CGuiDispatcher()
{
    Close();
    delete m_context; // queued work for it is discarded with it
}

void CGuiDispatcher::Post(std::function<void()> work)
{
    std::lock_guard<std::mutex> guard(m_shared->lock);
    if (m_shared->closed)
        return;
    std::shared_ptr<Shared> shared = m_shared;
    QMetaObject::invokeMethod(
        m_context,
        [shared, work = std::move(work)] {
            {
                std::lock_guard<std::mutex> check(shared->lock);
                if (shared->closed)
                    return;
            }
            work();
        },
        Qt::QueuedConnection);
}

bool CGuiDispatcher::Send(std::function<void()> work)
{
    if (QThread::currentThread() == m_context->thread()) {
        if (IsClosed())
            return false;
        work();
        return true;
    }
    auto done = std::make_shared<bool>(false);
    std::unique_lock<std::mutex> guard(m_shared->lock);
    if (m_shared->closed)
        return false;
    std::shared_ptr<Shared> shared = m_shared;
    QMetaObject::invokeMethod(
        m_context,
        [shared, done, work = std::move(work)] {
            {
                std::lock_guard<std::mutex> check(shared->lock);
                if (shared->closed)
                    return;
            }
            work();
            std::lock_guard<std::mutex> finish(shared->lock);
            *done = true;
            shared->wake.notify_all();
        },
        Qt::QueuedConnection);
    m_shared->wake.wait(guard, [&] { return *done || m_shared->closed; });
    return *done;
}

void CGuiDispatcher::Close()
{
    std::lock_guard<std::mutex> guard(m_shared->lock);
    m_shared->closed = true;
    m_shared->wake.notify_all();
}

bool CGuiDispatcher::IsClosed() const
{
    std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->closed;
}
