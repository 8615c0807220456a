// The downloads window as the user sees it: readable in both looks of the skin, a failed row
// told apart from a finished one, its rows following the download manager's items, the save
// dialog, and the main window's status bar told how a download ended.

#include "app/mainwindow.h"
#include "app/programidentity.h"
#include "downloads/downloadfilename.h"
#include "downloads/downloadmanager.h"
#include "skin/skinlibrary.h"
#include "widgets/downloaditemwidget.h"
#include "widgets/downloadswindow.h"
#include "widgets/filesavedialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "catalogueservice.h"
#include "contrast.h"
#include "fakes.h"
#include "localhttpserver.h"
#include "standalonedownloads.h"
#include "testwindow.h"
#include "timescale.h"

#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

using State = DownloadManager::State;

const std::string kBody(10000, 'q');

// Routes of a local server: a whole file, one that breaks off after 3,000 of its 10,000
// bytes, and one that announces 100 bytes and sends none
void addRoutes(LocalHttpServer &local)
{
    httplib::Server &server = local.server();
    server.Get(R"(/done/.*)", [](const httplib::Request &, httplib::Response &res) {
        res.set_content(kBody, "audio/wav");
    });
    server.Get(R"(/broken/.*)", [](const httplib::Request &, httplib::Response &res) {
        res.set_content_provider(kBody.size(), "audio/wav",
                                 [](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                                     if (offset > 0)
                                         return false; // drops the connection
                                     sink.write(kBody.data(), 3000);
                                     return true;
                                 });
    });
    server.Get(R"(/stall/.*)", [&local](const httplib::Request &, httplib::Response &res) {
        res.set_content_provider(100, "audio/wav",
                                 [&local](std::size_t, std::size_t, httplib::DataSink &) {
                                     while (!local.stopping())
                                         std::this_thread::sleep_for(10ms);
                                     return false;
                                 });
    });
}

DownloadItemWidget *rowNamed(const DownloadsWindow &window, const QString &name)
{
    for (DownloadItemWidget *row : window.items()) {
        if (row->fileName() == name)
            return row;
    }
    return nullptr;
}

QPushButton *rowButton(DownloadItemWidget *row, const QString &name)
{
    return row->findChild<QPushButton *>(name);
}

const QByteArray kCatalogue = R"({"songs": [
    {"id": "1", "title": "晚风", "serial": "A1", "path": "/music/晚风_1.wav"},
    {"id": "2", "title": "无", "serial": "A2", "path": "/music/gone_2.wav", "media": "missing"}
]})";

QString bundledSkin()
{
    return QFINDTESTDATA("../resources/quillpod.she");
}

// The colour drawn at `point` of `widget`, in the grab of its window
QColor pixelAt(const QImage &image, const QWidget *window, const QWidget *widget, QPoint point)
{
    return image.pixelColor(widget->mapTo(window, point));
}

} // namespace

class DownloadsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void readableInBothLooks_data();
    void readableInBothLooks();
    void rowsFollowTheItems();
    void comesBackWhereItWasLeft();
    void keysCloseIt_data();
    void keysCloseIt();
    void saveDialogRemembersFolder();
    void statusBarTellsHowItEnded_data();
    void statusBarTellsHowItEnded();

private:
    QTemporaryDir m_settingsDir;
};

void DownloadsWindowTest::initTestCase()
{
    // Settings go to a folder of the test's own
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    setProgramIdentity();
}

void DownloadsWindowTest::init()
{
    QSettings().clear();
}

void DownloadsWindowTest::cleanup()
{
    qApp->setStyleSheet(QString());
}

void DownloadsWindowTest::readableInBothLooks_data()
{
    QTest::addColumn<bool>("glass");
    QTest::newRow("normal") << false;
    QTest::newRow("glass") << true;
}

void DownloadsWindowTest::readableInBothLooks()
{
    QFETCH(bool, glass);

    SkinLibrary skin(SkinLibrary::Translucency::Never);
    skin.attachSkin(bundledSkin(), QString());
    QVERIFY(skin.attached());
    skin.setGlass(glass);

    LocalHttpServer server;
    addRoutes(server);
    QVERIFY(server.start());
    const QTemporaryDir folder;
    StandAloneDownloads downloads;
    downloads.setTargetDirectory(folder.path());
    // The broken download fails once it went on by itself as often as it may
    downloads.setRetrySchedule(RetrySchedule(scaled(10ms)));
    FakeShell shell;
    DownloadsWindow window(downloads, shell);
    QSignalSpy finished(&downloads, &DownloadManager::finished);
    downloads.download(server.url(u"/stall/晚风.wav"_s));
    downloads.download(server.url(u"/done/星空.wav"_s));
    downloads.download(server.url(u"/broken/夜曲.wav"_s));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, scaled(10000));
    DownloadItemWidget *running = rowNamed(window, u"晚风.wav"_s);
    DownloadItemWidget *done = rowNamed(window, u"星空.wav"_s);
    DownloadItemWidget *failed = rowNamed(window, u"夜曲.wav"_s);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage image = window.grab().toImage();

    // Every text on the background right of it, where the row has no text
    for (DownloadItemWidget *row : {running, done, failed}) {
        for (const char *name : {"fileName", "status"}) {
            const auto *label = row->findChild<QLabel *>(QString::fromLatin1(name));
            const QColor text = label->palette().color(QPalette::WindowText);
            const QColor back
                = pixelAt(image, &window, label, QPoint(label->width() - 2, label->height() / 2));
            QVERIFY2(contrast(text, back) >= 4.5,
                     qPrintable(u"%1 of %2: %3 on %4"_s.arg(
                         QString::fromLatin1(name), row->fileName(), text.name(), back.name())));
        }
    }

    // The failed row: its reason in words, in a red of its own, and a bar that only shows the
    // data kept, in the same red rather than as finished
    const auto *failedText = failed->findChild<QLabel *>(u"status"_s);
    QVERIFY2(failedText->text().startsWith(u"失败：网络错误："_s), qPrintable(failedText->text()));
    const QColor error = failedText->palette().color(QPalette::WindowText);
    const QColor normal
        = done->findChild<QLabel *>(u"status"_s)->palette().color(QPalette::WindowText);
    QVERIFY2(error.red() > error.green() + 60 && error.red() > error.blue() + 60,
             qPrintable(error.name()));
    QVERIFY(error != normal);

    const auto *failedBar = failed->findChild<QProgressBar *>(u"progress"_s);
    const auto *doneBar = done->findChild<QProgressBar *>(u"progress"_s);
    QVERIFY(failedBar->value() < failedBar->maximum());
    QCOMPARE(doneBar->value(), doneBar->maximum());
    const QColor failedChunk
        = pixelAt(image, &window, failedBar, QPoint(6, failedBar->height() / 2));
    const QColor doneChunk = pixelAt(image, &window, doneBar, QPoint(6, doneBar->height() / 2));
    QVERIFY2(failedChunk.red() > failedChunk.green() + 60, qPrintable(failedChunk.name()));
    QVERIFY(failedChunk != doneChunk);
    downloads.cancel(downloads.ids().first());
}

// Rows follow their items and their buttons reach the manager; the title counts the downloads
// that run or wait for the service. (How the last run's items show is the test of the next
// run.)
void DownloadsWindowTest::rowsFollowTheItems()
{
    LocalHttpServer server;
    addRoutes(server);
    QVERIFY(server.start());
    const QTemporaryDir folder;
    StandAloneDownloads downloads;
    downloads.setTargetDirectory(folder.path());
    // Only the user ends a wait for the service
    downloads.setRetrySchedule(RetrySchedule(1h));
    FakeShell shell;
    DownloadsWindow window(downloads, shell);
    QCOMPARE(window.windowTitle(), u"下载"_s);

    // A download the user starts brings the window up
    downloads.download(server.url(u"/stall/a.wav"_s));
    QVERIFY(window.isVisible());
    QVERIFY(window.findChild<QLabel *>(u"emptyNote"_s)->isHidden());
    downloads.download(server.url(u"/broken/b.wav"_s));
    QCOMPARE(window.windowTitle(), u"下载 (2)"_s);
    DownloadItemWidget *broken = rowNamed(window, u"b.wav"_s);
    QTRY_COMPARE_WITH_TIMEOUT(broken->statusText(), u"等待网络…"_s, scaled(10000));
    QCOMPARE(rowButton(broken, u"resume"_s)->text(), u"继续"_s);
    QCOMPARE(window.windowTitle(), u"下载 (2)"_s);
    QTest::mouseClick(rowButton(broken, u"cancel"_s), Qt::LeftButton);
    QCOMPARE(window.windowTitle(), u"下载 (1)"_s);
    QTest::mouseClick(rowButton(rowNamed(window, u"a.wav"_s), u"cancel"_s), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(window.windowTitle(), u"下载"_s, scaled(10000));
    QTest::mouseClick(rowButton(broken, u"remove"_s), Qt::LeftButton);
    QCOMPARE(window.items().size(), 1);
    QVERIFY(!QFile::exists(partFilePath(QDir(folder.path()).filePath(u"b.wav"_s))));

    downloads.download(server.url(u"/done/c.wav"_s));
    DownloadItemWidget *done = rowNamed(window, u"c.wav"_s);
    QTRY_COMPARE_WITH_TIMEOUT(done->statusText(), u"已完成"_s, scaled(10000));
    QTest::mouseClick(rowButton(done, u"openFolder"_s), Qt::LeftButton);
    QCOMPARE(shell.opened, QStringList {QUrl::fromLocalFile(folder.path()).toString()});
}

void DownloadsWindowTest::comesBackWhereItWasLeft()
{
    StandAloneDownloads downloads;
    FakeShell shell;
    const QRect place(130, 140, 500, 360);
    {
        DownloadsWindow window(downloads, shell);
        window.bringUp();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setGeometry(place);
        window.hide();
    }
    DownloadsWindow window(downloads, shell);
    window.bringUp();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.geometry(), place);
}

void DownloadsWindowTest::keysCloseIt_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Esc") << Qt::Key_Escape << Qt::KeyboardModifiers();
    QTest::newRow("Ctrl+W") << Qt::Key_W << Qt::KeyboardModifiers(Qt::ControlModifier);
}

// The empty list says so rather than showing nothing
void DownloadsWindowTest::keysCloseIt()
{
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    StandAloneDownloads downloads;
    FakeShell shell;
    DownloadsWindow window(downloads, shell);
    window.bringUp();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const auto *empty = window.findChild<QLabel *>(u"emptyNote"_s);
    QVERIFY(empty && empty->isVisible());
    QCOMPARE(empty->text(), u"没有下载"_s);
    QTest::keyClick(&window, key, modifiers);
    QVERIFY(!window.isVisible());
}

void DownloadsWindowTest::saveDialogRemembersFolder()
{
    LocalHttpServer server;
    addRoutes(server);
    QVERIFY(server.start());
    const QTemporaryDir folder;
    const QDir dir(folder.path());
    QVERIFY(dir.mkpath(u"first"_s) && dir.mkpath(u"chosen"_s));
    QSettings().setValue("downloads/folder"_L1, dir.filePath(u"first"_s));
    QWidget parent;
    FileSaveDialog saveDialog(parent);
    StandAloneDownloads downloads;
    downloads.setSaveDialog(saveDialog);
    QSignalSpy finished(&downloads, &DownloadManager::finished);

    // The dialog is open while the program goes on; saved under `name` into "chosen", it
    // shows the folder saved to the time before
    const auto answer = [&](const QString &name, const QString &shownFolder) {
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())),
            scaled(5000));
        QCOMPARE(dialog->directory().absolutePath(), dir.filePath(shownFolder));
        dialog->selectFile(dir.filePath(u"chosen/"_s + name));
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it
    };
    downloads.download(server.url(u"/done/a.wav"_s));
    QVERIFY(downloads.ids().isEmpty());
    answer(u"mine.wav"_s, u"first"_s);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, scaled(10000));
    QVERIFY(finished.at(0).at(1).toBool());
    QCOMPARE(finished.at(0).at(0).toString(), dir.filePath(u"chosen/mine.wav"_s));

    downloads.download(server.url(u"/done/b.wav"_s));
    answer(u"mine too.wav"_s, u"chosen"_s);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, scaled(10000));

    // Declined: nothing starts
    downloads.download(server.url(u"/done/c.wav"_s));
    QFileDialog *dialog = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(
        (dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())), scaled(5000));
    dialog->reject();
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), scaled(5000));
    QCOMPARE(downloads.ids().size(), 2);
}

void DownloadsWindowTest::statusBarTellsHowItEnded_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("panel");

    QTest::newRow("finished") << 1 << u"下载完成：晚风_1.wav"_s;
    QTest::newRow("failed") << 2 << u"下载失败：服务器返回错误 404"_s;
}

void DownloadsWindowTest::statusBarTellsHowItEnded()
{
    QFETCH(int, row);
    QFETCH(QString, panel);

    const CatalogueService service({}, kCatalogue);
    QVERIFY(service.isRunning());
    const QTemporaryDir folder;
    TestWindow window(service.base());
    QVERIFY(window.load());
    QVERIFY(window.show());
    DownloadManager &downloads = window.window().downloads();
    downloads.setTargetDirectory(folder.path());
    QSignalSpy finished(&downloads, &DownloadManager::finished);

    // "下载" fetches the song last clicked
    window.clickRow(row);
    QTRY_VERIFY_WITH_TIMEOUT(!window.box(u"linkBox"_s)->text().isEmpty(), scaled(5000));
    QTest::mouseClick(window.button(u"downloadButton"_s), Qt::LeftButton);
    QVERIFY(finished.wait(scaled(10000)));
    QCOMPARE(window.panel(1), panel);
}

QTEST_MAIN(DownloadsWindowTest)
#include "test_downloadswindow.moc"
