#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <optional>

class QDBusPendingCallWatcher;

// Desktop notifications of the song that begins to play, through the freedesktop notification
// service. Each replaces the one shown before, so they never pile up. Titles come from the
// service: a server that reads markup in the body gets them escaped, so that they show as text.
// Without a notification service nothing is shown, and one line in the player's log says so.
class SongNotifier : public QObject {
    Q_OBJECT

public:
    explicit SongNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

    void notify(const QString &title);

private:
    void sendWaiting();
    void askCapabilities();
    void takeCapabilities(QDBusPendingCallWatcher *watcher);
    void takeReply(QDBusPendingCallWatcher *watcher);
    void giveUp(const QString &error);

    QDBusConnection m_bus;
    // The notification on screen, which the next one replaces; 0 for none
    uint m_shownId = 0;
    // A call is on its way: the latest title waits for its answer rather than stacking
    bool m_sending = false;
    std::optional<QString> m_waitingTitle;
    // Whether the server reads markup in the body; unknown until it is asked once
    std::optional<bool> m_markup;
    bool m_unavailable = false;
};
