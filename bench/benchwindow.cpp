#include "benchwindow.h"

#include "player/mediaplayerwidget.h"
#include "skin/skinlibrary.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

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
    m_form = std::make_unique<Form1>(m_environment, &m_state);
}

BenchWindow::BenchWindow(const BenchOptions &options, Skinning *skinning)
    : BenchWindow(options.service, options.programDir, skinning)
{
}

BenchWindow::~BenchWindow() = default;

ReportListView &BenchWindow::list() const
{
    return *child<ReportListView>(u"ListView1"_s);
}

MediaPlayerWidget &BenchWindow::player() const
{
    return *child<MediaPlayerWidget>(u"WindowsMediaPlayer1"_s);
}

StatusBarWidget &BenchWindow::status() const
{
    return *child<StatusBarWidget>(u"StatusBar1"_s);
}

bool BenchWindow::showAndWait()
{
    m_form->show();
    return QTest::qWaitForWindowExposed(m_form.get());
}

bool BenchWindow::startQuietly()
{
    m_form->Form_Load();
    silencePlayer();
    return showAndWait() && songs().count() > 0;
}

void BenchWindow::silencePlayer()
{
    player().setURL(QString());
    // Let the player's own queued state reports run now rather than inside a measurement
    QTest::qWait(50);
}

void BenchWindow::prepareRun()
{
    child<QPushButton>(u"Command1"_s)->setText(u"停止"_s);
    m_state.Searching = true;
    m_state.CurrentPage = 1;
    m_state.FetchPhase = 1;
    songs().clear();
}
