#pragma once

#include <QObject>

class SongListLoader;
class SongListModel;
class ServiceUrls;

// The search button, which also stops the run in progress, and Enter in the keyword box.
class SearchCommand : public QObject {
    Q_OBJECT

public:
    SearchCommand(const ServiceUrls &urls, SongListLoader &loader, SongListModel &list,
                  QObject *parent = nullptr);

    // Starts a search for `keyword`, or stops the run that goes on
    void search(const QString &keyword);

signals:
    // The keyword was only blanks: nothing was searched or stopped
    void blankKeyword();
    // No run could be started for the keyword
    void searchFailed(const QString &reason);
    // A search for `keyword` began
    void searched(const QString &keyword);

private:
    const ServiceUrls &m_urls;
    SongListLoader &m_loader;
    SongListModel &m_list;
};
