#include "settingsstore.h"

#include "common/logging.h"
#include "downloads/downloadstore.h"

#include <QDateTime>
#include <QFile>
#include <QMetaEnum>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

constexpr auto kVolumeKey = "player/volume"_L1;
constexpr auto kMutedKey = "player/muted"_L1;
constexpr auto kPlayModeKey = "player/playMode"_L1;
constexpr auto kGlassKey = "window/glass"_L1;
constexpr auto kStartActionKey = "startup/action"_L1;
constexpr auto kExitPageKey = "exit/openPage"_L1;
constexpr auto kMinimiseToTrayKey = "window/minimiseToTray"_L1;
constexpr auto kSearchHistoryKey = "search/history"_L1;
constexpr auto kLastSongTitleKey = "lastSong/title"_L1;
constexpr auto kLastSongSerialKey = "lastSong/serial"_L1;
constexpr auto kLastSongIdKey = "lastSong/id"_L1;
constexpr auto kLastSongPositionKey = "lastSong/position"_L1;
constexpr auto kLastSongGroup = "lastSong"_L1;

// What the program did before anything was set
constexpr int kDefaultVolume = 100;
constexpr bool kDefaultExitPage = true;

template<typename Enum> QString nameOf(Enum value)
{
    return QString::fromLatin1(QMetaEnum::fromType<Enum>().valueToKey(int(value)));
}

template<typename Enum> Enum fromName(const QString &name, Enum fallback)
{
    bool ok = false;
    const int value = QMetaEnum::fromType<Enum>().keyToValue(name.toLatin1().constData(), &ok);
    return ok ? Enum(value) : fallback;
}

} // namespace

SettingsStore::SettingsStore(QObject *parent) : QObject(parent)
{
    setAsideUnreadable();
}

void SettingsStore::setAsideUnreadable()
{
    QString path;
    QSettings::Status status = QSettings::NoError;
    {
        const QSettings settings;
        status = settings.status();
        path = settings.fileName();
    }
    if (status == QSettings::NoError)
        return;
    // A file that reads well but cannot be written keeps what it holds; so does a file not yet
    // there
    QFile file(path);
    if (status == QSettings::AccessError && (!file.exists() || file.open(QIODevice::ReadOnly))) {
        qCInfo(lcSettings) << "Settings cannot be kept:" << path;
        return;
    }
    // Kept for the person to look at; the program goes on from the defaults
    const QString aside
        = path + u".unreadable-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    const bool moved = QFile::rename(path, aside);
    qCWarning(lcSettings) << "Settings file unreadable, defaults used:" << status << path
                          << (moved ? u"set aside as "_s + aside : u"could not be set aside"_s);
}

bool SettingsStore::store(QAnyStringView key, const QVariant &value)
{
    QSettings settings;
    if (settings.value(key) == value && settings.contains(key))
        return false;
    settings.setValue(key, value);
    return true;
}

int SettingsStore::volume() const
{
    return QSettings().value(kVolumeKey, kDefaultVolume).toInt();
}

void SettingsStore::setVolume(int volume)
{
    if (store(kVolumeKey, volume))
        emit volumeChanged(volume);
}

bool SettingsStore::muted() const
{
    return QSettings().value(kMutedKey, false).toBool();
}

void SettingsStore::setMuted(bool muted)
{
    if (store(kMutedKey, muted))
        emit mutedChanged(muted);
}

bool SettingsStore::glass() const
{
    return QSettings().value(kGlassKey, false).toBool();
}

void SettingsStore::setGlass(bool on)
{
    if (store(kGlassKey, on))
        emit glassChanged(on);
}

SettingsStore::StartAction SettingsStore::startAction() const
{
    return fromName(QSettings().value(kStartActionKey).toString(), StartAction::BackgroundMusic);
}

void SettingsStore::setStartAction(StartAction action)
{
    if (store(kStartActionKey, nameOf(action)))
        emit startActionChanged(action);
}

bool SettingsStore::exitPage() const
{
    return QSettings().value(kExitPageKey, kDefaultExitPage).toBool();
}

void SettingsStore::setExitPage(bool on)
{
    if (store(kExitPageKey, on))
        emit exitPageChanged(on);
}

bool SettingsStore::minimiseToTray() const
{
    return QSettings().value(kMinimiseToTrayKey, false).toBool();
}

void SettingsStore::setMinimiseToTray(bool on)
{
    if (store(kMinimiseToTrayKey, on))
        emit minimiseToTrayChanged(on);
}

QString SettingsStore::saveFolder() const
{
    return DownloadStore::saveFolder();
}

void SettingsStore::setSaveFolder(const QString &folder)
{
    if (folder == saveFolder())
        return;
    DownloadStore::rememberFolder(folder);
    emit saveFolderChanged(folder);
}

QString SettingsStore::playMode() const
{
    return QSettings().value(kPlayModeKey).toString();
}

void SettingsStore::setPlayMode(const QString &mode)
{
    if (store(kPlayModeKey, mode))
        emit playModeChanged(mode);
}

QStringList SettingsStore::searchHistory() const
{
    return QSettings().value(kSearchHistoryKey).toStringList().mid(0, kSearchHistorySize);
}

void SettingsStore::addSearch(const QString &keyword)
{
    QStringList keywords = searchHistory();
    keywords.removeAll(keyword);
    keywords.prepend(keyword);
    keywords = keywords.mid(0, kSearchHistorySize);
    if (store(kSearchHistoryKey, keywords))
        emit searchHistoryChanged(keywords);
}

void SettingsStore::clearSearchHistory()
{
    if (store(kSearchHistoryKey, QStringList()))
        emit searchHistoryChanged({});
}

std::optional<SettingsStore::LastSong> SettingsStore::lastSong() const
{
    const QSettings settings;
    const QString id = settings.value(kLastSongIdKey).toString();
    if (id.isEmpty())
        return std::nullopt;
    return LastSong {{settings.value(kLastSongTitleKey).toString(),
                      settings.value(kLastSongSerialKey).toString(), id},
                     settings.value(kLastSongPositionKey).toLongLong()};
}

void SettingsStore::setLastSong(const std::optional<LastSong> &song)
{
    QSettings settings;
    settings.remove(kLastSongGroup);
    if (!song)
        return;
    settings.setValue(kLastSongTitleKey, song->row.text);
    settings.setValue(kLastSongSerialKey, song->row.subItem1);
    settings.setValue(kLastSongIdKey, song->row.subItem2);
    settings.setValue(kLastSongPositionKey, song->position);
}
