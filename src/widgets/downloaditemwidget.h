#pragma once

#include "downloads/downloadmanager.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// One row of the downloads window: it shows an item of the download manager, the file's name, a
// progress bar, the item's state in words and the buttons that fit that state, and turns clicks
// into requests. The state is also the dynamic property "state" of the status text and the bar
// ("running", "waiting", "completed", "failed", "interrupted", "cancelled"), for the skin.
class DownloadItemWidget : public QWidget {
    Q_OBJECT

public:
    explicit DownloadItemWidget(QWidget *parent = nullptr);

    void render(const DownloadManager::Item &item);

    QString fileName() const;
    QString statusText() const;
    DownloadManager::State state() const { return m_state; }

signals:
    void cancelRequested();
    // "继续" or "重试"
    void resumeRequested();
    void openFolderRequested();
    void removeRequested();

private:
    void showProgress(const DownloadManager::Item &item);
    void showButtons(const DownloadManager::Item &item);
    void showState(DownloadManager::State state);

    QLabel *m_name;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_cancel;
    QPushButton *m_resume;
    QPushButton *m_openFolder;
    QPushButton *m_remove;
    DownloadManager::State m_state = DownloadManager::State::Running;
};
