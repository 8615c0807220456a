#pragma once

#include "environment.h"

#include <QDBusConnection>
#include <QNetworkAccessManager>
#include <QObject>
#include <memory>

class AudioPlayer;
class ConnectivityWatcher;
class DesktopIntegration;
class DesktopShell;
class DownloadManager;
class MainWindow;
class HistoryRecorder;
class KeptPlaylists;
class Library;
class LinkResolver;
class ListPlayer;
class SearchCommand;
class SettingsStore;
class ServiceProber;
class SingleInstance;
class SkinLibrary;
class SongHandlers;
class SongListLoader;
class SongListModel;
class StartUp;
class TextFetcher;
class TrayIcon;
class ServiceUrls;

// The program's parts, built and wired in one place: the requests to the service, the player,
// the song list and the logic of the list and the songs, start-up, and the window that shows
// them. It also ends the program when the window is closed.
class Application : public QObject {
    Q_OBJECT

public:
    explicit Application(Environment environment = {}, QObject *parent = nullptr);
    ~Application() override;

    // Once the window has loaded, it is shown, the downloads the last run left are listed, and
    // the desktop's media controls and later starts of the program (through `instance`) reach it
    void showOnDesktop(SingleInstance &instance, const QDBusConnection &bus);
    // Shows the window and lists the downloads that the last run left unfinished, without opening
    // their window: at start-up only the main window opens
    void openWindow();
    // Offers the window and its player to the desktop on `bus` from now on
    DesktopIntegration &integrateDesktop(const QDBusConnection &bus);

    // Starts the default list run. When the run has ended, the skin is attached and the
    // background track started, and loaded() says the window may be shown.
    void start();
    // Runs the default list again as a new run, as at start-up, unless a list run goes on or
    // the last reload began less than a second ago: F5
    void reloadDefaultList();

    MainWindow &window() const { return *m_window; }
    SongListModel &songList() const { return *m_list; }
    // The favourites and the history
    Library &library() const { return *m_library; }
    AudioPlayer &player() const { return *m_player; }
    SongListLoader &loader() const { return *m_loader; }
    SongHandlers &songs() const { return *m_songs; }
    ListPlayer &listPlayer() const { return *m_listPlayer; }
    SettingsStore &settings() const { return *m_settings; }
    TextFetcher &fetcher() const { return *m_fetcher; }
    DownloadManager &downloads() const { return *m_downloads; }
    // What waits for the service when a song could not be reached
    ServiceProber &playbackProber() const { return *m_playbackProber; }
    // The 1-based row from which playback goes on
    qint32 playIndex() const;
    // A choice of a song still waits for its links
    bool songChoicePending() const;

signals:
    // Start-up has ended: the default list is in, the skin attached and the background track
    // given to the player (or found missing)
    void loaded();

private:
    void wire();
    void attachSkin();
    void openSite();
    void setGlass(bool on);
    void announceSong(const QString &title);
    // A song from a list went to the player: the history counts its time from now on
    void songLoaded(int index);
    void showWindow();
    void restorePlayer();
    void rememberSong();
    void unload();

    Environment m_environment;
    // First: a settings file that cannot be read is set aside before anything reads it
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<DesktopShell> m_desktopShell;
    std::unique_ptr<SkinLibrary> m_skinLibrary;
    QNetworkAccessManager m_network;
    std::unique_ptr<ConnectivityWatcher> m_connectivity;
    // Outlives the window that shows it
    std::unique_ptr<DownloadManager> m_downloads;
    // Waits for the service on behalf of the songs; start-up has one of its own
    std::unique_ptr<ServiceProber> m_playbackProber;
    std::unique_ptr<TextFetcher> m_fetcher;
    std::unique_ptr<ServiceUrls> m_urls;
    std::unique_ptr<LinkResolver> m_links;
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<SongListModel> m_list;
    std::unique_ptr<Library> m_library;
    std::unique_ptr<HistoryRecorder> m_history;
    std::unique_ptr<KeptPlaylists> m_playlists;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<SongListLoader> m_loader;
    std::unique_ptr<SearchCommand> m_search;
    std::unique_ptr<SongHandlers> m_songs;
    std::unique_ptr<ListPlayer> m_listPlayer;
    std::unique_ptr<StartUp> m_startUp;

    SingleInstance *m_instance = nullptr;
    QDBusConnection m_bus {QString()};
    std::unique_ptr<DesktopIntegration> m_desktop;
    // Only where the desktop has a system tray
    TrayIcon *m_tray = nullptr;
};
