#pragma once

#include <QHash>
#include <QWidget>

class DownloadItemWidget;
class DownloadManager;
class QLabel;
class QVBoxLayout;
class Shell;

// The small top-level window "下载" that lists the downloads, newest last: it shows the items of
// the download manager and turns clicks on their rows into the manager's commands. It opens when
// the user starts a download or asks for the list (bringUp()), never by itself; its title counts
// the downloads that run, and it comes back at the size and place it was left at. Esc and Ctrl+W
// close it; with no download it says so.
class DownloadsWindow : public QWidget {
    Q_OBJECT

public:
    // `shell` opens a finished file's folder
    DownloadsWindow(DownloadManager &downloads, Shell &shell, QWidget *parent = nullptr);
    ~DownloadsWindow() override;

    // Shows the list, in front of the window the user works in but without taking the focus
    void showAndRaise();
    // The user asked for the list: shows it in front, with the focus
    void bringUp();

    QList<DownloadItemWidget *> items() const;

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void addRow(int id);
    void updateRow(int id);
    void removeRow(int id);
    void showRunning(int count);
    void showWhetherEmpty();
    void openFolder(int id);
    void rememberPlace();

    DownloadManager &m_downloads;
    Shell &m_shell;
    QVBoxLayout *m_rows;
    QLabel *m_emptyNote;
    QHash<int, DownloadItemWidget *> m_rowOf;
};
