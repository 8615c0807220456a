#include "testwindow.h"

#include "app/librarytabs.h"

#include "timescale.h"

#include "player/audioplayer.h"
#include "player/mediaplayerwidget.h"
#include "songlist/songlistloader.h"
#include "songlist/songlistmodel.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

TestWindow::TestWindow(const QString &serviceBase, std::chrono::milliseconds transferTimeout,
                       ProgramEnd programEnd, std::chrono::milliseconds textDeadline)
{
    Environment environment;
    environment.serviceBase = serviceBase;
    // A port nobody listens on: a stray real browser would open nothing
    environment.exitPage = u"http://127.0.0.1:1/bye"_s;
    environment.programDir = u"/nonexistent"_s;
    environment.transferTimeout = transferTimeout;
    environment.textDeadline = textDeadline;
    environment.retryUnit = scaled(kRetryUnit);
    environment.shell = &shell;
    environment.messageBox = &messageBox;
    environment.skinning = &skinning;
    if (programEnd == ProgramEnd::Counted)
        environment.endProgram = [this] { ++programEnds; };
    m_app = std::make_unique<Application>(std::move(environment));
}

TestWindow::~TestWindow() = default;

bool TestWindow::load() const
{
    QSignalSpy loaded(m_app.get(), &Application::loaded);
    m_app->start();
    return loaded.wait(scaled(60000));
}

bool TestWindow::listRunning() const
{
    return m_app->loader().isRunning();
}

bool TestWindow::waitForListRun() const
{
    return QTest::qWaitFor(
        [this] { return m_app->loader().state() != SongListLoader::State::Fetching; },
        scaled(60000));
}

bool TestWindow::show() const
{
    window().show();
    return QTest::qWaitForWindowExposed(&window());
}

ReportListView *TestWindow::list() const
{
    return child<ReportListView>(u"songList"_s);
}

StatusBarWidget *TestWindow::status() const
{
    return child<StatusBarWidget>(u"statusBar"_s);
}

AudioPlayer *TestWindow::player() const
{
    return &m_app->player();
}

MediaPlayerWidget *TestWindow::playerStrip() const
{
    return child<MediaPlayerWidget>(u"playerStrip"_s);
}

QLineEdit *TestWindow::box(const QString &name) const
{
    return child<QLineEdit>(name);
}

QPushButton *TestWindow::button(const QString &name) const
{
    return child<QPushButton>(name);
}

QString TestWindow::caption() const
{
    return button(u"searchButton"_s)->text();
}

QString TestWindow::panel(int number) const
{
    return status()->panelText(number);
}

void TestWindow::clickRow(int row) const
{
    ReportListView *const view = &window().libraryTabs().currentView();
    view->scrollToRow(row - 1);
    const QRect cell = view->visualRect(view->listModel().index(row - 1, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    waitForSongChoice();
}

bool TestWindow::waitForSongChoice() const
{
    return QTest::qWaitFor([this] { return !m_app->songChoicePending(); }, scaled(60000));
}

void TestWindow::doubleClickRow(int row) const
{
    ReportListView *const view = &window().libraryTabs().currentView();
    view->scrollToRow(row - 1);
    const QRect cell = view->visualRect(view->listModel().index(row - 1, 0));
    // As the window system delivers it: a click, whose handler runs first, then the second press,
    // the double-click and its release, which is already queued while the double-click's
    // handler runs
    QWidget *const viewport = view->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, cell.center());
    waitForSongChoice();
    QTest::mousePress(viewport, Qt::LeftButton, {}, cell.center());
    QCoreApplication::postEvent(viewport,
                                new QMouseEvent(QEvent::MouseButtonRelease, cell.center(),
                                                viewport->mapToGlobal(cell.center()),
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, cell.center());
    QCoreApplication::sendPostedEvents(viewport, QEvent::MouseButtonRelease);
    waitForSongChoice();
}
