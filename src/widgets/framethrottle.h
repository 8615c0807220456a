#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <functional>

// Runs an update at most once per frame: at once when the last update is a frame or more ago,
// otherwise when that frame is over. Requests within one frame make one update, which sees what
// the last of them left.
class FrameThrottle {
public:
    // One refresh of a 60 Hz screen
    static constexpr std::chrono::milliseconds kFrame {16};

    explicit FrameThrottle(std::function<void()> apply);
    FrameThrottle(const FrameThrottle &) = delete;
    FrameThrottle &operator=(const FrameThrottle &) = delete;

    // Something changed: update now or at the end of this frame
    void request();
    // Runs a requested update now, without waiting for the end of the frame
    void flush();
    bool isPending() const { return m_pending; }

private:
    void update();

    std::function<void()> m_update;
    QTimer m_timer;
    QElapsedTimer m_sinceUpdate;
    bool m_pending = false;
};
