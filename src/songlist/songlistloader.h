#pragma once

#include <QString>

class CommandCaption;
class EventDispatch;
class ReportList;
class StatusPanels;
class TextFetcher;
class UrlTexts;
struct SearchState;

// Runs list runs: fetches the pages of a list one after another, appends their rows, reports
// progress in the status panels and finishes the list at an orderly end.
class SongListLoader {
public:
    SongListLoader(SearchState &state, const UrlTexts &urls, TextFetcher &fetcher, ReportList &list,
                   StatusPanels &status, CommandCaption &caption, EventDispatch &dispatch);

    // Performs one whole run from the URL of its first page and returns when it has ended. The
    // caller has set the caption, the shared state and emptied the list. Further pages use the
    // default class's page form, or, when `encodedKeyword` is given, the keyword search's.
    // Never raises: a failure ends the run, which then says why in the status bar and gives the
    // button back.
    void LoadSongList(const QString &firstUrl, const QString &encodedKeyword = {});
    // Why the last run ended in failure; empty when it did not
    const QString &lastFailure() const { return m_lastFailure; }

private:
    // Fetches and appends one page of run `run`; returns whether the run goes on with `url`
    bool loadPage(quint64 run, QString &url, const QString &encodedKeyword);
    // Moves on to the next page: counts it, shows the progress and gives its URL
    QString nextPageUrl(const QString &encodedKeyword);
    QString furtherPageUrl(const QString &encodedKeyword) const;
    void endInOrder(bool lastPage);
    void endOnFailure(const QString &reason);

    SearchState &m_state;
    const UrlTexts &m_urls;
    TextFetcher &m_fetcher;
    ReportList &m_list;
    StatusPanels &m_status;
    CommandCaption &m_caption;
    EventDispatch &m_dispatch;
    QString m_lastFailure;
};
