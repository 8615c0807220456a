#include "historyrecorder.h"

#include "library.h"

HistoryRecorder::HistoryRecorder(Library &library, std::chrono::milliseconds playedLong,
                                 QObject *parent)
    : QObject(parent), m_library(library), m_playedLong(playedLong)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &HistoryRecorder::played);
}

void HistoryRecorder::songLoaded(const SongRow &row)
{
    m_timer.stop();
    m_row = row;
    m_remainingMs = int(m_playedLong.count());
    m_started = false;
}

void HistoryRecorder::playStateChanged(PlayState state)
{
    if (!m_row)
        return;
    if (state == PlayState::Playing) {
        m_started = true;
        if (!m_timer.isActive())
            m_timer.start(m_remainingMs);
        return;
    }
    if (m_timer.isActive()) {
        m_remainingMs = m_timer.remainingTime();
        m_timer.stop();
    }
    // A song that ended or was stopped short of the time never counts
    if (m_started && (state == PlayState::Stopped || state == PlayState::Ready))
        m_row.reset();
}

void HistoryRecorder::played()
{
    m_library.recordPlayed(*std::exchange(m_row, std::nullopt));
}
