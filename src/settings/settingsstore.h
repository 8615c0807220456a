#pragma once

#include "songlist/songrow.h"

#include <QAnyStringView>
#include <QObject>
#include <QStringList>
#include <optional>

// What the program remembers of the person who uses it, in QSettings: the player's volume, the
// look, what happens at start-up and at the end, the keywords searched, and the song playing at
// the last exit. Each value has one key, and a change of it is said once. Until a value is set,
// it is what the program has always done. A settings file that cannot be read is set aside
// under a dated name when the store is made, and the program starts from the defaults.
class SettingsStore : public QObject {
    Q_OBJECT

public:
    // What start-up plays
    enum class StartAction { BackgroundMusic, LastSong, Nothing };
    Q_ENUM(StartAction)

    // The song that played at the last exit, and where
    struct LastSong {
        SongRow row;
        qint64 position = 0;
    };

    // At most this many keywords are kept, the newest first
    static constexpr int kSearchHistorySize = 20;

    explicit SettingsStore(QObject *parent = nullptr);

    int volume() const;
    void setVolume(int volume);
    bool muted() const;
    void setMuted(bool muted);
    bool glass() const;
    void setGlass(bool on);
    StartAction startAction() const;
    void setStartAction(StartAction action);
    bool exitPage() const;
    void setExitPage(bool on);
    bool minimiseToTray() const;
    void setMinimiseToTray(bool on);
    // The folder downloads are saved to, as the downloads themselves remember it
    QString saveFolder() const;
    void setSaveFolder(const QString &folder);
    // The name of the list's play mode; empty until one was chosen
    QString playMode() const;
    void setPlayMode(const QString &mode);

    QStringList searchHistory() const;
    // A search ran for `keyword`: it goes first, once
    void addSearch(const QString &keyword);
    void clearSearchHistory();

    std::optional<LastSong> lastSong() const;
    // Remembers `song`, or that no song played when it is empty
    void setLastSong(const std::optional<LastSong> &song);

signals:
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    void glassChanged(bool on);
    void startActionChanged(SettingsStore::StartAction action);
    void exitPageChanged(bool on);
    void minimiseToTrayChanged(bool on);
    void saveFolderChanged(const QString &folder);
    void playModeChanged(const QString &mode);
    void searchHistoryChanged(const QStringList &keywords);

private:
    // Writes `value` under `key`; true when it differs from what was kept
    static bool store(QAnyStringView key, const QVariant &value);
    static void setAsideUnreadable();
};
