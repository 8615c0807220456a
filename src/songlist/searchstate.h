#pragma once

#include <QString>
#include <QtGlobal>

// The state that the search command, the list loader and the status timer share during a list
// run. The program has exactly one, sharedSearchState(); tests make their own.
struct SearchState {
    // True while a list run is in progress; setting it false asks the run to stop
    bool Searching = false;
    // 1-based number of the page being fetched
    qint32 CurrentPage = 1;
    // 1: the next page is the first of a run and its header must be read; 5: header read
    qint16 FetchPhase = 1;
    // The total-pages field exactly as cut from the run's first page
    QString TotalPagesText;
    // Counts the runs started, so that a run resumed after a newer one knows it was superseded
    quint64 runSerial = 0;
};

SearchState &sharedSearchState();
