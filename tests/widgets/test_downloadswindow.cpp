// The downloads window as the user sees it: readable in both looks of the skin, a failed row
// told apart from a finished one, and the main window's status bar told how a download ended.

#include "app/form1.h"
#include "downloads/downloadmanager.h"
#include "skin/skinlibrary.h"
#include "widgets/downloaditemwidget.h"
#include "widgets/downloadswindow.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "catalogueservice.h"
#include "contrast.h"
#include "testwindow.h"
#include "timescale.h"

using namespace Qt::StringLiterals;

namespace {

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
    void cleanup();

    void readableInBothLooks_data();
    void readableInBothLooks();
    void statusBarTellsHowItEnded_data();
    void statusBarTellsHowItEnded();
};

void DownloadsWindowTest::cleanup()
{
    qApp->setStyleSheet(QString());
}

void DownloadsWindowTest::readableInBothLooks_data()
{
    QTest::addColumn<int>("aero");
    QTest::newRow("normal") << 0;
    QTest::newRow("glass") << 1;
}

void DownloadsWindowTest::readableInBothLooks()
{
    QFETCH(int, aero);

    SkinLibrary skin(SkinLibrary::Translucency::Never);
    skin.SkinH_AttachEx(bundledSkin(), QString());
    QVERIFY(skin.attached());
    skin.SkinH_SetAero(aero);

    DownloadsWindow window;
    DownloadItemWidget *running = window.addItem(u"晚风.wav"_s);
    running->setProgress(30, 100);
    DownloadItemWidget *done = window.addItem(u"星空.wav"_s);
    done->setCompleted();
    DownloadItemWidget *failed = window.addItem(u"夜曲.wav"_s);
    failed->setProgress(60, 100);
    failed->setFailed(u"网络错误：连接中断"_s, DownloadItemWidget::Retry::Resume);
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
    QCOMPARE(failedText->text(), u"失败：网络错误：连接中断"_s);
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
    window.form().Form_Load();
    QVERIFY(window.show());
    DownloadManager &downloads = window.form().downloads();
    downloads.setTargetDirectory(folder.path());
    QSignalSpy finished(&downloads, &DownloadManager::finished);

    // "下载" fetches the song last clicked
    window.clickRow(row);
    QTRY_VERIFY_WITH_TIMEOUT(!window.box(u"Text2"_s)->text().isEmpty(), scaled(5000));
    QTest::mouseClick(window.button(u"Command3"_s), Qt::LeftButton);
    QVERIFY(finished.wait(scaled(10000)));
    QCOMPARE(window.panel(1), panel);
}

QTEST_MAIN(DownloadsWindowTest)
#include "test_downloadswindow.moc"
