// The favourites and the history in the window: kept from any list, shown in their tabs, played
// from there, and offered to the desktop

#include "catalogueservice.h"
#include "privatebus.h"
#include "testwindow.h"
#include "timescale.h"

#include "app/librarytabs.h"
#include "library/library.h"
#include "mpris/mprisplaylistsadaptor.h"
#include "mpris/mprisservice.h"
#include "player/audioplayer.h"
#include "widgets/reportlistview.h"

#include <QAction>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList kLongSongs {u"--songs"_s, u"3"_s, u"--media-seconds"_s, u"120"_s};

void chooseTab(TestWindow &window, LibraryTabs::Tab tab)
{
    QTabBar &bar = window.window().libraryTabs().tabBar();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(tab).center());
}

QString favouriteCaption(TestWindow &window)
{
    auto *const menu = window.child<QMenu>(u"songMenu"_s);
    emit menu->aboutToShow();
    return window.child<QAction>(u"favouriteAction"_s)->text();
}

} // namespace

class KeptListsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void favouritesFromEveryList();
    void playsOnWithinItsList();
    void desktopStartsAKeptList();

private:
    QTemporaryDir m_data;
};

void KeptListsTest::initTestCase()
{
    // The program's data folder, the test's own
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", m_data.path().toLocal8Bit());
}

// Ctrl+D keeps the selected song with a heart on its row in every list; the favourites' tab
// shows it, newest first, and takes it away again
void KeptListsTest::favouritesFromEveryList()
{
    CatalogueService service(kLongSongs);
    TestWindow window(service.base());
    QVERIFY(window.load());
    QVERIFY(window.show());
    Library &library = window.app().library();
    SongListModel &favourites = library.favourites();
    QCOMPARE(favourites.size(), 0);

    window.clickRow(2);
    QCOMPARE(favouriteCaption(window), u"收藏"_s);
    QTest::keyClick(&window.window(), Qt::Key_D, Qt::ControlModifier);
    window.clickRow(3);
    QTest::keyClick(&window.window(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(favouriteCaption(window), u"取消收藏"_s);
    QCOMPARE(favourites.size(), 2);
    QCOMPARE(favourites.row(0), window.songs().row(2));
    const QModelIndex second = window.songs().index(1, 0);
    QVERIFY(second.data(SongListModel::FavouriteRole).toBool());
    QVERIFY(!window.songs().index(0, 0).data(SongListModel::FavouriteRole).toBool());

    chooseTab(window, LibraryTabs::FavouritesTab);
    ReportListView &view = window.window().libraryTabs().currentView();
    QCOMPARE(view.objectName(), u"favouritesList"_s);
    QVERIFY(view.isVisible());
    QVERIFY(!window.list()->isVisible());
    window.clickRow(2);
    QCOMPARE(window.box(u"songIdBox"_s)->text(), window.songs().row(1).subItem2);
    // Taken away in its own tab, it is no favourite in the song list either
    QTest::keyClick(&window.window(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(favourites.size(), 1);
    QVERIFY(!second.data(SongListModel::FavouriteRole).toBool());
    library.setFavourite(favourites.row(0), false);
}

// A song played from the favourites marks its row there, and the list that goes on is theirs
void KeptListsTest::playsOnWithinItsList()
{
    CatalogueService service(kLongSongs);
    TestWindow window(service.base());
    QVERIFY(window.load());
    QVERIFY(window.show());
    Library &library = window.app().library();
    library.setFavourite(window.songs().row(0), true);
    library.setFavourite(window.songs().row(2), true);

    chooseTab(window, LibraryTabs::FavouritesTab);
    window.doubleClickRow(2);
    const QString id = window.songs().row(0).subItem2.trimmed();
    QTRY_VERIFY_WITH_TIMEOUT(window.player()->url().endsWith(u"song_%1.wav"_s.arg(id))
                                 || window.player()->url().contains(id),
                             scaled(10000));
    QCOMPARE(library.favourites().playMark(), 1);
    QCOMPARE(window.songs().playMark(), -1);
    QCOMPARE(&window.app().songs().playingList(), &library.favourites());
    library.setFavourite(window.songs().row(0), false);
    library.setFavourite(window.songs().row(2), false);
}

// The desktop sees the two kept lists and starts one: its first song plays
void KeptListsTest::desktopStartsAKeptList()
{
    PrivateBus bus;
    QVERIFY(bus.isRunning());
    const QDBusConnection desktop = bus.connect(u"desktop"_s);
    CatalogueService service(kLongSongs);
    TestWindow window(service.base());
    QVERIFY(window.load());
    window.app().integrateDesktop(bus.connect(u"program"_s));
    window.app().library().setFavourite(window.songs().row(1), true);

    // The program answers from this very thread: waits run its event loop
    const auto call
        = [&](const QString &interface, const QString &method, const QVariantList &arguments) {
              QDBusMessage message = QDBusMessage::createMethodCall(
                  QString::fromLatin1(MprisService::kServiceName),
                  QString::fromLatin1(MprisService::kObjectPath), interface, method);
              message.setArguments(arguments);
              return desktop.call(message, QDBus::BlockWithGui, scaled(5000));
          };
    const QString playlists = u"org.mpris.MediaPlayer2.Playlists"_s;
    const auto property = [&](const QString &name) {
        return call(u"org.freedesktop.DBus.Properties"_s, u"Get"_s, {playlists, name})
            .arguments()
            .value(0)
            .value<QDBusVariant>()
            .variant();
    };
    QCOMPARE(property(u"PlaylistCount"_s).toUInt(), 2u);
    QCOMPARE(property(u"Orderings"_s).toStringList(), QStringList {u"UserDefined"_s});
    const QDBusMessage reply
        = call(playlists, u"GetPlaylists"_s, {0u, 10u, u"UserDefined"_s, false});
    QList<MprisPlaylist> found;
    reply.arguments().value(0).value<QDBusArgument>() >> found;
    QCOMPARE(found.size(), 2);
    QCOMPARE(found.at(0).name, u"我的收藏"_s);
    QCOMPARE(found.at(1).name, u"最近播放"_s);

    call(playlists, u"ActivatePlaylist"_s, {QVariant::fromValue(found.at(0).id)});
    QTRY_COMPARE_WITH_TIMEOUT(window.app().library().favourites().playMark(), 0, scaled(10000));
    QCOMPARE(window.window().libraryTabs().currentView().objectName(), u"favouritesList"_s);
    window.app().library().setFavourite(window.songs().row(1), false);
}

QTEST_MAIN(KeptListsTest)

#include "test_keptlists.moc"
