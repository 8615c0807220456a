#include "historyrecorder.h"

#include "library.h"

#include <chrono>

HistoryRecorder::HistoryRecorder(Library &library, QObject *parent)
    : QObject(parent), m_library(library)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &HistoryRecorder::played);
}

void HistoryRecorder::songStarted(const SongRow &row)
{
    m_row = row;
    m_timer.start(std::chrono::seconds(Library::kPlayedSeconds));
}

void HistoryRecorder::playStateChanged(PlayState state)
{
    if (!m_row)
        return;
    if (state == PlayState::Playing) {
        if (!m_timer.isActive())
            m_timer.start(m_remainingMs);
        return;
    }
    if (m_timer.isActive()) {
        m_remainingMs = m_timer.remainingTime();
        m_timer.stop();
    }
    // A song that ended or was stopped short of the time never counts
    if (state == PlayState::Stopped || state == PlayState::Ready)
        m_row.reset();
}

void HistoryRecorder::played()
{
    m_library.recordPlayed(*std::exchange(m_row, std::nullopt));
}
