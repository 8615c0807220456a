#include "shutdownlatch.h"

bool ShutdownLatch::sleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock lock(m_mutex);
    return !m_released.wait_for(lock, duration, [this] { return m_isReleased; });
}

void ShutdownLatch::waitForRelease()
{
    std::unique_lock lock(m_mutex);
    m_released.wait(lock, [this] { return m_isReleased; });
}

void ShutdownLatch::release()
{
    {
        const std::lock_guard lock(m_mutex);
        m_isReleased = true;
    }
    m_released.notify_all();
}

bool ShutdownLatch::released()
{
    const std::lock_guard lock(m_mutex);
    return m_isReleased;
}
