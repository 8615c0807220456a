#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class AudioPlayer;
class ListPlayback;
class QMainWindow;
class QMenu;

// The program's icon in the system tray: the song's title as its tooltip, a click brings the
// window back, and its menu plays, pauses, goes to the next or previous song, shows the window
// and ends the program as "退出" does
class TrayIcon : public QObject {
    Q_OBJECT

public:
    TrayIcon(QMainWindow &window, AudioPlayer &player, ListPlayback &list);
    ~TrayIcon() override;

signals:
    // "退出"
    void quitRequested();

private:
    void showWindow();
    void showTitle();
    void activated(QSystemTrayIcon::ActivationReason reason);

    QMainWindow &m_window;
    AudioPlayer &m_player;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon *m_icon;
};
