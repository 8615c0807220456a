#include "shutdownlatch.h"

bool ShutdownLatch::sleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_for(lock, duration, [this] { return interruptedLocked(); });
}

void ShutdownLatch::waitForRelease()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return interruptedLocked(); });
}

void ShutdownLatch::release()
{
    {
        const std::lock_guard lock(m_mutex);
        m_isReleased = true;
    }
    m_changed.notify_all();
}

void ShutdownLatch::setOutage(bool on)
{
    {
        const std::lock_guard lock(m_mutex);
        m_inOutage = on;
    }
    m_changed.notify_all();
}

bool ShutdownLatch::interrupted()
{
    const std::lock_guard lock(m_mutex);
    return interruptedLocked();
}
