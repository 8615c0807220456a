#pragma once

#include "form1controls.h"
#include "formenvironment.h"

#include "controls/listplayback.h"

#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QPointer>
#include <functional>
#include <memory>

class DesktopShell;
class DownloadManager;
class LineEditTextBox;
class LinkLookup;
class LinkResolver;
class ListPlayer;
class AudioPlayer;
class MessageBoxDialog;
class ReportList;
class ReportListAdapter;
class SearchCommand;
class SkinLibrary;
class SongHandlers;
class SongListLoader;
class TextFetcher;
class UrlTexts;

// The program's one window, `Form1`: its event handlers and how they are wired to the controls.
// Every handler catches failures at its own boundary: none crosses the event loop.
class Form1 : public QMainWindow, private Form1Controls, public ListPlayback {
    Q_OBJECT

public:
    explicit Form1(FormEnvironment environment = {}, QWidget *parent = nullptr);
    ~Form1() override;

    // Lays out the list and starts the default list run. When the run has ended, the skin is
    // attached and the background track started, and loaded() says the window may be shown.
    void Form_Load();

    // The 1-based row from which playback goes on
    qint32 playIndex() const;
    // A choice of a song still waits for its links
    bool songChoicePending() const;
    TextFetcher &fetcher() const { return *m_fetcher; }
    // The song list as the logic sees it
    ReportList &songList() const;
    // The list loader, for driving list runs without the window's commands (benchmarks)
    SongListLoader &loader() const { return *m_loader; }
    // The player, for offering it to the desktop's media controls
    AudioPlayer &mediaPlayer() const { return *m_player; }
    // The downloads of `WebBrowser1`, for listing the ones the last run left incomplete
    DownloadManager &downloads() const;

    // ListPlayback: the desktop's media controls and the command line. A link that cannot be
    // had is reported in the status bar, as for the window's own commands.
    bool hasRows() const override;
    void playNext() override;
    void playPrevious() override;
    void stopPlayback() override;

signals:
    // Start-up has ended: the default list is in, the skin attached and the background track
    // given to the player (or found missing)
    void loaded();
    // The list was emptied or filled
    void listChanged();
    // A song from the list began to play while the user was looking at another window
    void songStartedUnseen(const QString &title);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectHandlers();
    void connectListRuns();

    // Event handlers
    void Command1_Click();
    void Command2_Click();
    void Text1_KeyPress(int key);
    void BoLi_Click();
    void ListView1_MouseUp(Qt::MouseButton button);
    void ListView1_MenuKey();
    void WindowsMediaPlayer1_PlayStateChange(int newState);
    void WindowsMediaPlayer1_DoubleClick();
    void WindowsMediaPlayer1_MediaFailed();
    void StatusBar1_MouseMove();
    void Timer1_Timer();
    void Form_Unload();
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

    // Start-up after the default list run: the skin, then the background track
    void finishStartUp();
    void startBackgroundTrack(const QString &link);
    void reportNoBackgroundTrack(const QString &reason);
    void endStartUp();

    // Keyboard: Ctrl+L shows the playing row as a click on it would, Ctrl+F goes to the search
    void showPlayingRow();
    void focusSearch();
    void announceSong(const QString &title);

    // Runs a handler of the song handlers or the list player, reporting a link that could not
    // be had in the status bar
    template<typename Handler> void runSongHandler(Handler handler);
    template<typename Handler> void runListHandler(Handler handler);
    void runHandler(const std::function<void()> &handler);
    void reportLinkFailure(const QString &reason);

    FormEnvironment m_environment;
    bool m_startingUp = false;
    bool m_unloaded = false;

    QNetworkAccessManager m_network;
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<TextFetcher> m_fetcher;
    std::unique_ptr<UrlTexts> m_urls;
    std::unique_ptr<LinkResolver> m_links;
    QPointer<LinkLookup> m_backgroundLookup;

    // Adapters the logic talks to
    std::unique_ptr<LineEditTextBox> m_text1Box, m_text2Box, m_text3Box, m_text4Box, m_text5Box,
        m_text6Box;
    std::unique_ptr<ReportListAdapter> m_listView1;
    std::unique_ptr<DesktopShell> m_desktopShell;
    std::unique_ptr<MessageBoxDialog> m_messageBoxDialog;
    std::unique_ptr<SkinLibrary> m_skinLibrary;

    std::unique_ptr<SongListLoader> m_loader;
    std::unique_ptr<SearchCommand> m_search;
    std::unique_ptr<SongHandlers> m_songs;
    std::unique_ptr<ListPlayer> m_listPlayer;
};
