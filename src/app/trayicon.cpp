#include "trayicon.h"

#include "controls/listplayback.h"
#include "player/audioplayer.h"

#include <QMainWindow>
#include <QMenu>

using namespace Qt::StringLiterals;

TrayIcon::TrayIcon(QMainWindow &window, AudioPlayer &player, ListPlayback &list)
    : QObject(&window), m_window(window), m_player(player), m_menu(std::make_unique<QMenu>()),
      m_icon(new QSystemTrayIcon(window.windowIcon(), this))
{
    m_menu->setObjectName(u"trayMenu"_s);
    connect(m_menu->addAction(u"播放/暂停"_s), &QAction::triggered, &player,
            &AudioPlayer::togglePlayPause);
    connect(m_menu->addAction(u"上一首"_s), &QAction::triggered, this,
            [&list] { list.playPrevious(); });
    connect(m_menu->addAction(u"下一首"_s), &QAction::triggered, this,
            [&list] { list.playNext(); });
    m_menu->addSeparator();
    connect(m_menu->addAction(u"显示主窗口"_s), &QAction::triggered, this, &TrayIcon::showWindow);
    connect(m_menu->addAction(u"退出"_s), &QAction::triggered, this, &TrayIcon::quitRequested);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
    connect(&player, &AudioPlayer::metadataChanged, this, &TrayIcon::showTitle);
    showTitle();
    m_icon->show();
}

TrayIcon::~TrayIcon()
{
    m_icon->hide();
}

void TrayIcon::showTitle()
{
    const QString title = m_player.title();
    m_icon->setToolTip(title.isEmpty() ? m_window.windowTitle() : title);
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        showWindow();
}

void TrayIcon::showWindow()
{
    m_window.showNormal();
    m_window.raise();
    m_window.activateWindow();
}
