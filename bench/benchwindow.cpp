#include "benchwindow.h"

#include "player/audioplayer.h"
#include "skin/skinlibrary.h"
#include "songlist/songlistloader.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// A list run or a start-up that takes longer than this has hung
constexpr int kLongestWaitMs = 600000;
} // namespace

BenchWindow::BenchWindow(const QString &serviceBase, const QString &programDir, Skinning *skinning)
{
    m_environment.serviceBase = serviceBase;
    m_environment.exitPage = u"http://127.0.0.1:1/bye"_s;
    m_environment.programDir = programDir.isEmpty() ? u"/nonexistent"_s : programDir;
    m_environment.shell = &m_shell;
    m_environment.messageBox = &m_messageBox;
    if (!skinning && !programDir.isEmpty()) {
        m_skinLibrary = std::make_unique<SkinLibrary>();
        skinning = m_skinLibrary.get();
    }
    m_environment.skinning = skinning ? skinning : &m_fakeSkinning;
    m_environment.endProgram = [] {};
    m_app = std::make_unique<Application>(m_environment);
    QObject::connect(&m_app->loader(), &SongListLoader::progress,
                     [this](const QString &, int page, int) { m_pages = page; });
}

BenchWindow::BenchWindow(const BenchOptions &options, Skinning *skinning)
    : BenchWindow(options.service, options.programDir, skinning)
{
}

BenchWindow::~BenchWindow() = default;

ReportListView &BenchWindow::list() const
{
    return *child<ReportListView>(u"songList"_s);
}

AudioPlayer &BenchWindow::player() const
{
    return m_app->player();
}

StatusBarWidget &BenchWindow::status() const
{
    return *child<StatusBarWidget>(u"statusBar"_s);
}

bool BenchWindow::showAndWait()
{
    window().show();
    return QTest::qWaitForWindowExposed(&window());
}

bool BenchWindow::load()
{
    QEventLoop loop;
    QObject::connect(m_app.get(), &Application::loaded, &loop, &QEventLoop::quit);
    QTimer::singleShot(kLongestWaitMs, &loop, &QEventLoop::quit);
    m_pages = 1;
    m_app->start();
    loop.exec();
    return !m_app->loader().isRunning();
}

bool BenchWindow::waitForListRun()
{
    SongListLoader &loader = m_app->loader();
    if (loader.state() == SongListLoader::State::Fetching) {
        // Ends the moment the run has finished its list: measurements around this are exact
        QEventLoop loop;
        QObject::connect(&loader, &SongListLoader::finished, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        QObject::connect(&loader, &SongListLoader::failed, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        QTimer::singleShot(kLongestWaitMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return loader.state() == SongListLoader::State::Idle;
}

bool BenchWindow::runList(const QString &firstUrl)
{
    songs().clear();
    m_pages = 1;
    m_app->loader().loadSongList(firstUrl);
    return waitForListRun();
}

bool BenchWindow::startQuietly()
{
    if (!load())
        return false;
    silencePlayer();
    return showAndWait() && songs().size() > 0;
}

void BenchWindow::silencePlayer()
{
    player().setUrl(QString());
    // Let the player's own queued state reports run now rather than inside a measurement
    QTest::qWait(50);
}
