#include "librarytabs.h"

#include "library/library.h"
#include "widgets/reportlistview.h"

#include <QEvent>
#include <QGroupBox>
#include <QMenu>
#include <QStackedLayout>
#include <QTabBar>

using namespace Qt::StringLiterals;

namespace {

// The frame's caption row, above the list, and the room left of the tabs
constexpr int kCaptionHeight = 16;
constexpr int kRightMargin = 8;
// A kept list's columns: title, serial, identifier, time
constexpr int kKeptColumnWidths[] = {150, 70, 70, 120};

} // namespace

LibraryTabs::LibraryTabs(QGroupBox &frame, QStackedLayout &stack, ReportListView &songList,
                         Library &library)
    : QObject(&frame), m_frame(frame), m_stack(stack), m_tabBar(new QTabBar(&frame)),
      m_tabMenu(new QMenu(&frame))
{
    m_tabBar->setObjectName(u"libraryTabs"_s);
    m_tabBar->setDrawBase(false);
    m_tabBar->setExpanding(false);
    m_tabBar->setUsesScrollButtons(false);
    m_tabBar->setFocusPolicy(Qt::TabFocus);
    m_tabBar->setStyleSheet(u"QTabBar::tab { height: %1px; }"_s.arg(kCaptionHeight - 1));
    for (const QString &caption : {u"歌曲列表"_s, u"我的收藏"_s, u"最近播放"_s})
        m_tabBar->addTab(caption);
    m_tabBar->setContextMenuPolicy(Qt::CustomContextMenu);

    m_exportAction = m_tabMenu->addAction(u"导出为播放列表…"_s);
    m_exportAction->setObjectName(u"exportAction"_s);
    m_tabMenu->setObjectName(u"tabMenu"_s);

    m_views = {&songList, keptListView(frame, library.favourites(), u"favouritesList"_s),
               keptListView(frame, library.history(), u"historyList"_s)};
    for (ReportListView *const view : std::as_const(m_views))
        view->listModel().setFavourites(library);
    connect(&library, &Library::favouritesChanged, this, &LibraryTabs::favouritesChanged);
    connect(m_tabBar, &QTabBar::currentChanged, this, &LibraryTabs::tabChosen);
    connect(m_tabBar, &QWidget::customContextMenuRequested, this, &LibraryTabs::tabMenuRequested);
    connect(m_exportAction, &QAction::triggered, this,
            [this] { emit exportRequested(m_views.at(m_menuTab)->listModel()); });
    frame.installEventFilter(this);
    placeTabBar();
}

ReportListView *LibraryTabs::keptListView(QGroupBox &frame, SongListModel &list,
                                          const QString &name)
{
    auto *const view = new ReportListView(&frame);
    view->setObjectName(name);
    view->setListModel(list);
    for (int column = 0; column < list.columnCount(); ++column)
        view->setColumnWidth(column, kKeptColumnWidths[column]);
    m_stack.addWidget(view);
    return view;
}

ReportListView &LibraryTabs::currentView() const
{
    return *m_views.at(m_tabBar->currentIndex());
}

SongListModel &LibraryTabs::currentList() const
{
    return currentView().listModel();
}

void LibraryTabs::setCurrentTab(Tab tab)
{
    m_tabBar->setCurrentIndex(tab);
}

LibraryTabs::Tab LibraryTabs::tabOf(const SongListModel &list) const
{
    for (int tab = 0; tab < m_views.size(); ++tab) {
        if (&m_views.at(tab)->listModel() == &list)
            return Tab(tab);
    }
    return SongListTab;
}

void LibraryTabs::favouritesChanged()
{
    for (ReportListView *const view : std::as_const(m_views))
        view->listModel().favouritesChanged();
}

void LibraryTabs::tabChosen(int index)
{
    m_stack.setCurrentWidget(m_views.at(index));
    emit listShown(m_views.at(index)->listModel());
}

void LibraryTabs::tabMenuRequested(QPoint position)
{
    m_menuTab = m_tabBar->tabAt(position);
    if (m_menuTab == FavouritesTab || m_menuTab == HistoryTab)
        m_tabMenu->popup(m_tabBar->mapToGlobal(position));
}

bool LibraryTabs::eventFilter(QObject *watched, QEvent *event)
{
    // The bar asks for a new size when the skin gives it another font: it keeps to its captions
    const bool placing = event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest;
    if (watched == &m_frame && placing)
        placeTabBar();
    return QObject::eventFilter(watched, event);
}

void LibraryTabs::placeTabBar()
{
    const QSize size(m_tabBar->sizeHint().width(), kCaptionHeight);
    m_tabBar->setGeometry(m_frame.width() - size.width() - kRightMargin, 0, size.width(),
                          size.height());
    m_tabBar->raise();
}
