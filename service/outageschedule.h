#pragma once

#include <QList>
#include <QString>
#include <chrono>

// When the service goes away: windows counted from the moment it has printed its port, in which
// it takes no connections and cuts those it had.
class OutageSchedule {
public:
    struct Window {
        std::chrono::milliseconds begin;
        std::chrono::milliseconds end;
    };

    // "AT:SECONDS", both in seconds, fractions allowed; AT may be 0. Throws std::runtime_error.
    void add(const QString &value);

    // Sorted, with overlapping windows joined
    QList<Window> windows() const;
    bool startsDown() const;

private:
    QList<Window> m_windows;
};
