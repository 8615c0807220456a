#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// One row of the downloads window: the file's name, a progress bar, the transfer's state in
// words and a button that cancels it while it runs.
class DownloadItemWidget : public QWidget {
    Q_OBJECT

public:
    explicit DownloadItemWidget(const QString &fileName, QWidget *parent = nullptr);

    QString fileName() const;
    QString statusText() const;

public slots:
    void setProgress(qint64 received, qint64 total);
    void setCompleted();
    void setFailed(const QString &reason);
    void setCancelled();

signals:
    void cancelRequested();

private:
    void end(const QString &status);

    QLabel *m_name;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_cancel;
};
