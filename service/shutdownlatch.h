#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// Lets request handlers that stall on purpose (delayed or hanging pages) give up their worker
// thread as soon as the service is asked to stop; the server cannot finish stopping before
// every handler has returned.
class ShutdownLatch {
public:
    // Returns false when the wait was cut short by release().
    bool sleepFor(std::chrono::milliseconds duration);
    void waitForRelease();
    void release();
    bool released();

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_isReleased = false;
};
