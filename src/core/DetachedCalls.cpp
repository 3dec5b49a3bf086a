#include "core/DetachedCalls.h"

#include <system_error>
#include <thread>

CDetachedCalls::CDetachedCalls()
    : m_pContext(std::make_unique<QObject>())
    , m_pShared(std::make_shared<Shared>())
{
    m_pShared->context = m_pContext.get();
}

CDetachedCalls::~CDetachedCalls()
{
    Stop();
}

void CDetachedCalls::Stop()
{
    std::lock_guard lock(m_pShared->mutex);
    // Results already queued die with the context object.
    m_pShared->context = nullptr;
    m_pContext.reset();
}

bool CDetachedCalls::Start(Work work)
{
    if (!m_pContext)
        return false;
    if (s_Running.fetch_add(1) >= kMaxRunning) {
        s_Running.fetch_sub(1);
        return false;
    }
    try {
        std::thread([shared = m_pShared, work = std::move(work)]() mutable {
            Done done = work();
            work = nullptr;
            {
                std::lock_guard lock(shared->mutex);
                if (shared->context && done)
                    QMetaObject::invokeMethod(shared->context, std::move(done), Qt::QueuedConnection);
            }
            done = nullptr;
            shared.reset();
            s_Running.fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        s_Running.fetch_sub(1);
        return false;
    }
    return true;
}
