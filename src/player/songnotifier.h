#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

// Desktop notifications of the song that begins to play, through the freedesktop notification
// service. Each replaces the one shown before, so they never pile up. Without a notification
// service nothing is shown, and one line in the player's log says so.
class SongNotifier : public QObject {
    Q_OBJECT

public:
    explicit SongNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

    void notify(const QString &title);

private:
    void send(const QString &title);
    void takeReply(QDBusPendingCallWatcher *watcher);

    QDBusConnection m_bus;
    // The notification on screen, which the next one replaces; 0 for none
    uint m_shownId = 0;
    // A notification is on its way: the latest title waits for its id rather than stacking
    bool m_sending = false;
    QString m_waitingTitle;
    bool m_unavailable = false;
};
