#include "framethrottle.h"

FrameThrottle::FrameThrottle(std::function<void()> apply) : m_update(std::move(apply))
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { update(); });
}

void FrameThrottle::request()
{
    if (m_pending)
        return;
    m_pending = true;
    const auto sinceUpdate = std::chrono::milliseconds(
        m_sinceUpdate.isValid() ? m_sinceUpdate.elapsed() : kFrame.count());
    if (sinceUpdate >= kFrame)
        update();
    else
        m_timer.start(kFrame - sinceUpdate);
}

void FrameThrottle::flush()
{
    if (m_pending)
        update();
}

void FrameThrottle::update()
{
    m_timer.stop();
    m_pending = false;
    m_sinceUpdate.start();
    m_update();
}
