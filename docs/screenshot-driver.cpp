// Takes the README's screenshot: opens the window against a running catalogue service, lets the
// list fill, double-clicks a song in the middle of it, waits until that song is playing and
// saves a picture of the whole window. docs/make-screenshot.sh runs it under Xvfb.

#include "app/application.h"
#include "app/mainwindow.h"
#include "app/programidentity.h"
#include "controls/shell.h"
#include "player/audioplayer.h"
#include "songlist/songlistmodel.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCursor>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QPixmap>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// How long the song may take to start playing and get far enough in
constexpr int kPlaybackWaitMs = 30000;

// Neither the site button nor closing may open a browser while the picture is taken
class NoShell : public Shell {
public:
    void openAddress(const QString &) override { }
};

int fail(const QString &reason)
{
    std::fprintf(stderr, "screenshot-driver: %s\n", qPrintable(reason));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setProgramIdentity();

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Saves a screenshot of Quillpod playing a song."_s);
    parser.addHelpOption();
    const QCommandLineOption serviceOption(u"service"_s,
                                           u"Base address of the catalogue service."_s, u"url"_s);
    const QCommandLineOption skinOption(u"skin-dir"_s, u"Folder that holds quillpod.she."_s,
                                        u"dir"_s);
    const QCommandLineOption outputOption(u"output"_s, u"PNG file to write."_s, u"file"_s);
    const QCommandLineOption rowOption(
        u"row"_s, u"1-based list row to play; the middle one by default."_s, u"n"_s);
    parser.addOptions({serviceOption, skinOption, outputOption, rowOption});
    parser.process(app);
    if (!parser.isSet(serviceOption) || !parser.isSet(outputOption))
        return fail(u"--service and --output are required"_s);

    NoShell shell;
    Environment environment;
    environment.serviceBase = parser.value(serviceOption);
    environment.programDir = parser.value(skinOption);
    environment.shell = &shell;

    Application program(environment);
    MainWindow &window = program.window();
    QSignalSpy loaded(&program, &Application::loaded);
    program.start();
    if (!loaded.wait(60000))
        return fail(u"the window did not load"_s);
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowExposed(&window))
        return fail(u"the window was never shown"_s);
    // Without a window manager activation may not come; the picture only loses its focus colour
    if (!QTest::qWaitForWindowActive(&window, 2000))
        std::fprintf(stderr, "screenshot-driver: the window is not active\n");

    // The pointer of a fresh X screen rests in its middle, over the list, and would light a row
    QCursor::setPos(window.screen()->geometry().bottomRight());

    auto *const list = window.findChild<ReportListView *>(u"songList"_s);
    AudioPlayer *const player = &program.player();
    auto *const status = window.findChild<StatusBarWidget *>(u"statusBar"_s);
    auto *const media = player->findChild<QMediaPlayer *>();
    if (!list || !player || !status || !media)
        return fail(u"the window lacks the list, the player or the status bar"_s);
    const SongListModel &rows = program.songList();
    if (rows.isEmpty())
        return fail(u"the list stayed empty: %1"_s.arg(status->panelText(1)));

    // Chosen through the view (rows counted from 1 on the command line), then double-clicked as
    // the user would
    const int row
        = parser.isSet(rowOption) ? parser.value(rowOption).toInt() : (rows.size() + 1) / 2;
    list->selectRow(row - 1);
    if (list->selectedRow() != row - 1)
        return fail(u"row %1 cannot be selected in a list of %2"_s.arg(row).arg(rows.size()));
    list->scrollTo(list->currentIndex(), QAbstractItemView::PositionAtCenter);
    list->setFocus();
    // The sequence a real double click sends; the view only reports the second press when the
    // first one went to the same row
    const QPoint centre = list->visualRect(list->currentIndex()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);

    const auto *const rawLink = window.findChild<QLineEdit *>(u"rawLinkBox"_s);
    if (!rawLink || rawLink->text().isEmpty())
        return fail(u"the double click showed no link: %1"_s.arg(status->panelText(1)));

    // Playing the chosen song, not the background track, and far enough in to show progress
    const QUrl song(player->url());
    const bool playing = QTest::qWaitFor(
        [&] {
            return player->playState() == PlayState::Playing && media->source() == song
                && media->position() >= 1500 && status->panelText(2) == player->statusText();
        },
        kPlaybackWaitMs);
    if (!playing)
        return fail(u"the song did not start playing: %1"_s.arg(player->statusText()));

    const QPixmap shot = window.screen()->grabWindow(window.winId());
    const QString output = parser.value(outputOption);
    if (shot.isNull() || !shot.save(output, "PNG"))
        return fail(u"cannot write %1"_s.arg(output));
    std::printf("Screenshot saved: %s\n", qPrintable(output));
    return 0;
}
