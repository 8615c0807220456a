#pragma once

#include "mainwindowcontrols.h"

#include "controls/playmode.h"
#include "playback/songhandlers.h"

#include <QMainWindow>
#include <memory>

class AudioPlayer;
class DownloadManager;
class DownloadsWindow;
class FileSaveDialog;
class Library;
class LibraryTabs;
class LinkResolver;
class ListPlayer;
class PlaylistExporter;
class MessageBox;
class MessageBoxDialog;
class ReportListView;
class SearchCommand;
class SettingsStore;
class Shell;
class SongListLoader;
class SongListModel;
class StartUp;

// The program's one window, `MainWindow`: its controls, how the user's events reach the logic, and
// how what the logic says happened becomes the window's texts.
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
        // What asks the user about a blank keyword: the window's own, or a test's stand-in
        MessageBox &messageBox;
        // What the person chose and searched, and the service the about box names
        SettingsStore &settings;
        QString serviceAddress;
        // The kept lists, and what asks for the songs' addresses when one is exported
        Library &library;
        const LinkResolver &links;
    };

    // The player's strip shows `player`, the list `list` and the downloads list `downloads`;
    // `shell` opens a finished download's folder
    MainWindow(AudioPlayer &player, DownloadManager &downloads, SongListModel &list, Shell &shell,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    // Wires the controls to the logic, and what the logic says to the controls
    void attach(const Logic &logic);
    // Shows what start-up says
    void attachStartUp(const StartUp &startUp);

    MessageBox &messageBox() const;
    // The downloads it shows
    DownloadManager &downloads() const { return m_downloads; }
    // Their list, which opens when a download starts or by Ctrl+J, never by itself
    DownloadsWindow &downloadsWindow() const { return *m_downloadsWindow; }

    // The check mark of the glass menu item
    void setGlassChecked(bool checked);
    // Ends the program as closing the window does, even where closing only hides it: "退出"
    void quit();
    // The song list's tabs, there once the logic is attached
    LibraryTabs &libraryTabs() const { return *m_tabs; }

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

    void connectSongs();
    void connectView(ReportListView *view);
    void connectListPlayer();
    void connectLibrary();

    // Event handlers
    void searchRequested();
    void keywordWarningClosed();
    void songListMouseReleased(Qt::MouseButton button);
    void songListMenuKeyPressed();
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

    // Runs a handler of the song handlers on the selected row (1-based), if a row is selected
    void runOnSelectedRow(void (SongHandlers::*handler)(int index));
    // What the song handlers and the list player say
    void showSong(const SongRow &row);
    void reportLinkFailure(const QString &reason);
    void showGaveUp(int failures, const QString &reason);
    // The play mode: chosen in the menu, the next one by the strip's button, and shown in both
    void playModeChosen(const QAction *action);
    void nextPlayModeClicked();
    void showPlayMode(PlayMode mode);
    // What the outage waits say in panel 1
    void showPanel1(const QString &text);
    void appendToPanel1(const QString &text);
    void showNoBackgroundTrack(const QString &reason, bool afterListFailure);
    // What the kept lists say of themselves; a run under way says it again when it ends
    void showLibraryNotice(const QString &text);
    // The selected row of the list shown, or the row a menu acts on
    void toggleFavourite();
    void nameFavouriteAction();
    void exportList(SongListModel &list);

    AudioPlayer &m_player;
    DownloadManager &m_downloads;
    std::unique_ptr<Logic> m_logic;
    bool m_closed = false;
    bool m_quitting = false;

    SongListModel &m_list;
    std::unique_ptr<MessageBoxDialog> m_messageBox;
    std::unique_ptr<FileSaveDialog> m_saveDialog;
    std::unique_ptr<DownloadsWindow> m_downloadsWindow;
    std::unique_ptr<LibraryTabs> m_tabs;
    std::unique_ptr<PlaylistExporter> m_exporter;
    QString m_libraryNotice;
};
