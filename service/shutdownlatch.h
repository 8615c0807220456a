#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// Lets request handlers that stall on purpose (delayed, hanging, dripping or paced answers) give
// up their worker thread as soon as the service is asked to stop, or an outage cuts their
// connections: the server cannot finish stopping, nor listen again, before every handler has
// returned.
class ShutdownLatch {
public:
    // Returns false when the wait was cut short by release() or an outage.
    bool sleepFor(std::chrono::milliseconds duration);
    // Until release() or an outage
    void waitForRelease();
    void release();
    // While an outage lasts, every wait ends at once, also one that begins meanwhile.
    void setOutage(bool on);
    // Released, or in an outage
    bool interrupted();

private:
    bool interruptedLocked() const { return m_isReleased || m_inOutage; }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_isReleased = false;
    bool m_inOutage = false;
};
