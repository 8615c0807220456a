#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// One row of the downloads window: the file's name, a progress bar, the transfer's state in
// words and the buttons that fit that state. The state is also the dynamic property "state" of
// the status text and the bar ("running", "completed", "failed", "cancelled"), for the skin.
class DownloadItemWidget : public QWidget {
    Q_OBJECT

public:
    enum class State { Running, Completed, Failed, Cancelled };
    Q_ENUM(State)
    // What a failed row offers: nothing, starting over, or going on from the data it kept
    enum class Retry { None, FromStart, Resume };

    explicit DownloadItemWidget(const QString &fileName, QWidget *parent = nullptr);

    QString fileName() const;
    QString statusText() const;
    State state() const { return m_state; }

public slots:
    void setRunning();
    void setProgress(qint64 received, qint64 total);
    void setCompleted();
    void setFailed(const QString &reason, DownloadItemWidget::Retry retry);
    void setCancelled();

signals:
    void cancelRequested();
    // "继续" or "重试"
    void resumeRequested();
    void openFolderRequested();
    void removeRequested();

private:
    void enterState(State state, const QString &status);
    void stopBusyBar(bool keepProgress);

    QLabel *m_name;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_cancel;
    QPushButton *m_resume;
    QPushButton *m_openFolder;
    QPushButton *m_remove;
    State m_state = State::Running;
};
