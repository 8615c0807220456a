#pragma once

#include "net/failurekind.h"
#include "net/serviceprober.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QUrl>

class LinkLookup;
class LinkResolver;
class MediaPlayer;
class SongListLoader;
class SongListModel;
class ServiceUrls;
class SettingsStore;
class SongHandlers;

// Start-up: the default list, then the background track (or the song of the last exit, paused,
// or nothing, as the person chose), then the window may be shown. When the
// default list or the background track could not be had because the service was out of reach, it
// waits for the service and then gets them by itself. F5 runs the default list again the same
// way. It says what happened through signals; the window turns them into its texts.
class StartUp : public QObject {
    Q_OBJECT

public:
    struct Parts {
        SongListLoader &loader;
        SongListModel &list;
        const ServiceUrls &urls;
        const LinkResolver &links;
        MediaPlayer &player;
        // Which song start-up plays, if any, and the song that goes on where it was left
        const SettingsStore &settings;
        SongHandlers &songs;
    };

    // `prober` waits for the service at `service` on start-up's behalf
    StartUp(Parts parts, std::unique_ptr<ServiceProber> prober, const QUrl &service,
            QObject *parent = nullptr);

    // Starts the default list run. When it has ended, firstListEnded() comes, then the
    // background track is fetched, and loaded() says the window may be shown.
    void start();
    // Runs the default list again as a new run, as at start-up, unless a list run goes on or
    // the last reload began less than a second ago: F5
    void reloadDefaultList();
    // Waits for nothing more: the program ends
    void stop();

signals:
    // The first default list run has ended and its list is finished
    void firstListEnded();
    // Start-up has ended: the default list is in and the background track given to the player
    // (or found missing)
    void loaded();
    // The default list could not be had for want of the service; it comes by itself once the
    // service answers
    void reloadsWhenBack();
    // The background track waits for the service, which is back
    void waitingForService();
    void serviceBack();
    // No background track, for `reason`; `afterListFailure` when the list failed before it
    void backgroundTrackUnavailable(const QString &reason, bool afterListFailure);

private:
    void runDefaultList();
    bool runDefaultListAgain();
    void listRunStarted(bool running);
    void listRunFailed(const QString &reason, int rows, FailureKind kind);
    void listRunEnded();
    void beginPlayback();
    void fetchBackgroundTrack();
    void startBackgroundTrack(const QString &link);
    void reportNoBackgroundTrack(const QString &reason, FailureKind kind);
    void waitForService();
    void serviceAnswers();
    void endStartUp();

    Parts m_parts;
    std::unique_ptr<ServiceProber> m_prober;
    QUrl m_service;
    QPointer<LinkLookup> m_backgroundLookup;
    // Since the last reload that F5 started
    QElapsedTimer m_lastReload;
    bool m_startingUp = false;
    bool m_loaded = false;
    // What is fetched again once the service answers
    bool m_reloadWhenBack = false;
    bool m_backgroundWhenBack = false;
};
