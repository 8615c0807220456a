#pragma once

#include <QList>
#include <QObject>

class Library;
class QGroupBox;
class QMenu;
class QAction;
class QStackedLayout;
class QTabBar;
class ReportListView;
class SongListModel;

// The tabs in the song list's frame: "歌曲列表", the list as it always was, and the kept lists
// "我的收藏" and "最近播放", each with a view of its own in the song list's place. The tabs sit in
// the frame's caption row, so that nothing of the window moves. A kept list's tab has a menu that
// exports it as a playlist.
class LibraryTabs : public QObject {
    Q_OBJECT

public:
    enum Tab { SongListTab, FavouritesTab, HistoryTab };

    LibraryTabs(QGroupBox &frame, QStackedLayout &stack, ReportListView &songList,
                Library &library);

    // The view of each tab, in the tabs' order
    const QList<ReportListView *> &views() const { return m_views; }
    ReportListView &currentView() const;
    SongListModel &currentList() const;
    QTabBar &tabBar() const { return *m_tabBar; }
    void setCurrentTab(Tab tab);
    // The tab that shows `list`
    Tab tabOf(const SongListModel &list) const;

signals:
    // Another tab was chosen, which shows `list`
    void listShown(SongListModel &list);
    // "导出为播放列表…" on a kept list's tab
    void exportRequested(SongListModel &list);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ReportListView *keptListView(QGroupBox &frame, SongListModel &list, const QString &name);
    void placeTabBar();
    void favouritesChanged();
    void tabChosen(int index);
    void tabMenuRequested(QPoint position);

    QGroupBox &m_frame;
    QStackedLayout &m_stack;
    QTabBar *m_tabBar;
    QMenu *m_tabMenu;
    QAction *m_exportAction;
    QList<ReportListView *> m_views;
    int m_menuTab = 0;
};
