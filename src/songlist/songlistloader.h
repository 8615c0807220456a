#pragma once

#include "net/failurekind.h"

#include <QObject>
#include <QPointer>
#include <QString>

class SongListModel;
class TextFetcher;
class TextRequest;
class ServiceUrls;

// Runs list runs: fetches the pages of a list one after another, appends their rows and
// finishes the list at an orderly end. It reports what it does through signals; the window
// turns them into the status texts and the search button's caption.
class SongListLoader : public QObject {
    Q_OBJECT

public:
    enum class State {
        Idle,
        // A page is on its way; a stop asked for meanwhile makes it the last one
        Fetching,
        // The rows are in; the last one is being selected and the columns sized
        Finishing,
        // The last run ended because the user stopped it
        Stopped,
        // The last run ended on a failure
        Failed,
    };
    Q_ENUM(State)

    SongListLoader(const ServiceUrls &urls, const TextFetcher &fetcher, SongListModel &list,
                   QObject *parent = nullptr);

    // Starts a run from the URL of its first page; the caller has emptied the list. Further
    // pages use the default class's page form, or, when `encodedKeyword` is given, the keyword
    // search's. A run still waiting for a page is abandoned, its request aborted.
    void loadSongList(const QString &firstUrl, const QString &encodedKeyword = {});
    // The page on its way is the run's last; its rows still arrive
    void stop();
    // Abandons the run at once, writing nothing more
    void abort();

    State state() const { return m_state; }
    // A run goes on and nobody has asked it to stop
    bool isRunning() const { return m_state == State::Fetching && !m_stopRequested; }
    // Why the last run ended in failure; empty when it did not
    const QString &lastFailure() const { return m_lastFailure; }
    // Whether the run lists the default class rather than a keyword's songs
    bool listsDefaultClass() const { return m_encodedKeyword.isEmpty(); }

signals:
    void runningChanged(bool running);
    // The run goes on with page `page` of the `totalPages` that its first page gave, exactly as
    // written there; `rows` have been found so far
    void progress(const QString &totalPages, int page, int rows);
    // An orderly end: after the last page, at a page without a list, or when stopped. The list
    // has been finished (SongListModel::finish()) before.
    void finished(int rows);
    // The run ended because a page could not be had or read; `kind` tells whether the service
    // could be reached at all. The rows it found stay, and the list has been finished.
    void failed(const QString &reason, int rows, FailureKind kind);

private:
    void fetchPage(const QString &url);
    void takePage(const QString &page);
    // Appends the page's rows; returns whether the run goes on
    bool addPage(const QString &page);
    void moveOn();
    QString furtherPageUrl() const;
    void endInOrder(bool lastPage);
    void endOnFailure(const QString &reason, FailureKind kind = FailureKind::Answered);
    // Says so when isRunning() is no longer `wasRunning`
    void reportRunning(bool wasRunning);

    const ServiceUrls &m_urls;
    const TextFetcher &m_fetcher;
    SongListModel &m_list;

    State m_state = State::Idle;
    bool m_stopRequested = false;
    // 1-based number of the page being fetched
    qint32 m_currentPage = 1;
    // The total-pages field exactly as cut from the run's first page
    QString m_totalPagesText;
    QString m_encodedKeyword;
    QString m_lastFailure;
    QPointer<TextRequest> m_request;
};
