#pragma once

#include "mainwindowcontrols.h"
#include "playback/songhandlers.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class AudioPlayer;
class DownloadManager;
class DownloadsWindow;
class FileSaveDialog;
class LineEditTextBox;
class ListPlayer;
class MessageBox;
class MessageBoxDialog;
class ReportList;
class ReportListAdapter;
class SearchCommand;
class Shell;
class SongListLoader;
class StatusPanels;
class TextBox;

// The program's one window, `MainWindow`: its controls, what the logic reads and writes of them,
// and how the user's events reach the logic and the logic's reports reach the screen. Every handler
// catches failures at its own boundary: none crosses the event loop.
class MainWindow : public QMainWindow, private MainWindowControls {
    Q_OBJECT

public:
    // The logic that the window shows and drives
    struct Logic {
        SongListLoader &loader;
        SearchCommand &search;
        SongHandlers &songs;
        ListPlayer &listPlayer;
        AudioPlayer &player;
    };

    // The player's strip shows `player`, the downloads list `downloads`; `shell` opens a finished
    // download's folder
    MainWindow(AudioPlayer &player, DownloadManager &downloads, Shell &shell,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    // Wires the controls to the logic, which is built on the controls below
    void attach(const Logic &logic);

    // The controls as the logic sees them
    ReportList &songRows() const;
    TextBox &keywordText() const;
    SongHandlers::Boxes songBoxes() const;
    StatusPanels &statusPanels() const;
    MessageBox &messageBox() const;
    // The downloads it shows
    DownloadManager &downloads() const { return m_downloads; }
    // Their list, which opens when a download starts or by Ctrl+J, never by itself
    DownloadsWindow &downloadsWindow() const { return *m_downloadsWindow; }

    // The check mark of the glass menu item, which is the glass effect's only record
    void setGlassChecked(bool checked);

signals:
    // The site button asks for the service's home page
    void siteRequested();
    // The glass menu item was switched to `on`
    void glassToggled(bool on);
    // The user closed the window
    void closed();
    // F5: the default list again
    void defaultListRequested();
    // The list was emptied or filled
    void listChanged();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectControls();
    void connectListRuns();

    // Event handlers
    void searchRequested();
    void keywordKeyPressed(int key);
    void songListMouseReleased(Qt::MouseButton button);
    void songListMenuKeyPressed();
    void playerStateChanged(MediaPlayer::PlayState newState);
    void playerDoubleClicked();
    void statusBarHovered();
    void showPlayerStatus();
    // Panel 1 tells how a download ended
    void showDownloadEnd(const QString &path, bool ok, const QString &reason);

    // What the list runs report, in the status bar and on the search button
    void showRunning(bool running);
    void showProgress(const QString &totalPages, int page, int rows);
    void showRunEnd(int rows);
    void showRunFailure(const QString &reason, int rows);
    void showSearchFailure(const QString &reason);
    // Panel 2 shows the player's status again once no run goes on
    void scheduleStatus();

    // Keyboard: Ctrl+L shows the playing row as a click on it would, Ctrl+F goes to the search
    void showPlayingRow();
    void focusSearch();

    // Runs a handler of the song handlers or the list player, reporting a link that could not
    // be had in the status bar
    template<typename Handler> void runSongHandler(Handler handler);
    void runHandler(const std::function<void()> &handler);
    void reportLinkFailure(const QString &reason);

    AudioPlayer &m_player;
    DownloadManager &m_downloads;
    std::unique_ptr<Logic> m_logic;
    bool m_closed = false;

    // Adapters the logic talks to
    std::unique_ptr<LineEditTextBox> m_keywordText, m_linkText, m_titleText, m_songIdText,
        m_serialText, m_rawLinkText;
    std::unique_ptr<ReportListAdapter> m_songRows;
    std::unique_ptr<MessageBoxDialog> m_messageBox;
    std::unique_ptr<FileSaveDialog> m_saveDialog;
    std::unique_ptr<DownloadsWindow> m_downloadsWindow;
};
