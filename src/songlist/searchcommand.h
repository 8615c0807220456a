#pragma once

#include <QObject>

class MessageBox;
class ReportList;
class SongListLoader;
class TextBox;
class ServiceUrls;

// The search button, which also stops the run in progress, and Enter in the keyword box.
class SearchCommand : public QObject {
    Q_OBJECT

public:
    SearchCommand(const ServiceUrls &urls, SongListLoader &loader, TextBox &keyword,
                  ReportList &list, MessageBox &messageBox, QObject *parent = nullptr);

    // Starts a search for the keyword, or stops the run that goes on
    void searchRequested();
    // `key` is a Qt::Key; Return acts as a click
    void keywordKeyPressed(int key);

signals:
    // No run could be started for the keyword
    void searchFailed(const QString &reason);

private:
    void keywordWarningClosed();

    const ServiceUrls &m_urls;
    SongListLoader &m_loader;
    TextBox &m_keyword;
    ReportList &m_list;
    MessageBox &m_messageBox;
};
