#pragma once

#include "form1controls.h"
#include "formenvironment.h"

#include "controls/listplayback.h"

#include <QMainWindow>
#include <QNetworkAccessManager>
#include <functional>
#include <memory>

class ButtonCaption;
class DesktopShell;
class DownloadManager;
class DownloadsWindow;
class FileSaveDialog;
class LineEditTextBox;
class LinkResolver;
class ListPlayer;
class MediaPlayerWidget;
class MessageBoxDialog;
class QtEventDispatch;
class SearchCommand;
class SkinLibrary;
class SongHandlers;
class SongListLoader;
class TextFetcher;
class UrlTexts;
struct SearchState;

// The program's one window, `Form1`: its event handlers and how they are wired to the controls.
// Every handler catches failures at its own boundary: none crosses the event loop.
class Form1 : public QMainWindow, private Form1Controls, public ListPlayback {
    Q_OBJECT

public:
    explicit Form1(FormEnvironment environment = {}, SearchState *state = nullptr,
                   QWidget *parent = nullptr);
    ~Form1() override;

    // Runs before the window is first shown: lays out the list, loads the default list, attaches
    // the skin and starts the background track.
    void Form_Load();

    qint32 playIndex() const { return m_playIndex; }
    SearchState &searchState() const { return m_state; }
    TextFetcher &fetcher() const { return *m_fetcher; }
    // The list loader, for driving list runs without the window's commands (benchmarks)
    SongListLoader &loader() const { return *m_loader; }
    // The player, for offering it to the desktop's media controls
    MediaPlayerWidget &mediaPlayer() const { return *WindowsMediaPlayer1; }
    // The downloads of `WebBrowser1`, for listing the ones the last run left incomplete
    DownloadManager &downloads() const;
    // Their list, which opens when a download starts or by Ctrl+J, never by itself
    DownloadsWindow &downloadsWindow() const { return *m_downloadsWindow; }

    // ListPlayback: the desktop's media controls and the command line. A link that cannot be
    // had is reported in the status bar, as for the window's own commands.
    bool hasRows() const override;
    void playNext() override;
    void playPrevious() override;
    void stopPlayback() override;

signals:
    // The list was emptied or filled
    void listChanged();
    // A song from the list began to play while the user was looking at another window
    void songStartedUnseen(const QString &title);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void connectHandlers();
    // Wakes the status timer from its idle pace when there is something new to show
    void wakeTimer();

    // Event handlers
    void Command1_Click();
    void Command2_Click();
    void Text1_KeyPress(int keyAscii);
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

    // Keyboard: Ctrl+L shows the playing row as a click on it would, Ctrl+F goes to the search
    void showPlayingRow();
    void focusSearch();
    void announceSong(const QString &title);

    void reportNoBackgroundTrack(const QString &reason);
    // Runs a handler of the song handlers or the list player, reporting a link that could not
    // be had in the status bar
    template<typename Handler> void runSongHandler(Handler handler);
    template<typename Handler> void runListHandler(Handler handler);
    void runHandler(const std::function<void()> &handler);

    FormEnvironment m_environment;
    SearchState &m_state;
    qint32 m_playIndex = 1;
    bool m_unloaded = false;

    QNetworkAccessManager m_network;
    std::unique_ptr<TextFetcher> m_fetcher;
    std::unique_ptr<UrlTexts> m_urls;
    std::unique_ptr<LinkResolver> m_links;

    // Adapters the logic talks to
    std::unique_ptr<LineEditTextBox> m_text1Box, m_text2Box, m_text3Box, m_text4Box, m_text5Box,
        m_text6Box;
    std::unique_ptr<ButtonCaption> m_command1Caption;
    std::unique_ptr<QtEventDispatch> m_dispatch;
    std::unique_ptr<DesktopShell> m_desktopShell;
    std::unique_ptr<MessageBoxDialog> m_messageBoxDialog;
    std::unique_ptr<SkinLibrary> m_skinLibrary;
    std::unique_ptr<FileSaveDialog> m_saveDialog;
    std::unique_ptr<DownloadsWindow> m_downloadsWindow;

    std::unique_ptr<SongListLoader> m_loader;
    std::unique_ptr<SearchCommand> m_search;
    std::unique_ptr<SongHandlers> m_songs;
    std::unique_ptr<ListPlayer> m_listPlayer;
};
