// What the downloads keep across runs: the downloads not complete and the folder last saved to

#include "downloads/downloadstore.h"

#include "filehelpers.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using FileHelpers::writeFile;

} // namespace

class DownloadStoreTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void unfinishedComeBackAsKept();
    void saveFolder_data();
    void saveFolder();

private:
    QTemporaryDir m_settingsDir;
};

void DownloadStoreTest::initTestCase()
{
    // Settings go to a folder of the test's own
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    QCoreApplication::setOrganizationName(u"quillpod"_s);
    QCoreApplication::setApplicationName(u"quillpod"_s);
}

void DownloadStoreTest::init()
{
    QSettings().clear();
}

// Each comes back as it was kept, in its order; a failure with its reason, one cut off without
void DownloadStoreTest::unfinishedComeBackAsKept()
{
    const DownloadStore::Record failed {QUrl(u"http://h/music/%CD%ED.wav"_s),
                                        u"/d/晚.wav"_s,
                                        true,
                                        u"服务器返回错误 404"_s,
                                        5000,
                                        "\"v1\""};
    const DownloadStore::Record cutOff {
        QUrl(u"https://h/b.wav?x=1"_s), u"/d/b.wav"_s, false, u"ignored"_s, -1, {}};
    DownloadStore::keepUnfinished({failed, cutOff});

    DownloadStore::Record expected = cutOff;
    expected.reason.clear();
    QVERIFY(DownloadStore::unfinished() == (QList<DownloadStore::Record> {failed, expected}));
    QCOMPARE(QSettings().value("downloads/unfinished/1/url"_L1).toString(),
             u"http://h/music/%CD%ED.wav"_s);

    // One without an address or a place cannot go on
    DownloadStore::Record noAddress = failed;
    noAddress.url = QUrl();
    DownloadStore::Record noPlace = failed;
    noPlace.path.clear();
    DownloadStore::keepUnfinished({noAddress, noPlace});
    QVERIFY(DownloadStore::unfinished().isEmpty());
    DownloadStore::keepUnfinished({});
    QCOMPARE(QSettings().beginReadArray("downloads/unfinished"_L1), 0);
}

void DownloadStoreTest::saveFolder_data()
{
    QTest::addColumn<QString>("remembered"); // below the test's home; empty: none
    QTest::addColumn<QStringList>("existing"); // folders below the home
    QTest::addColumn<QString>("expected"); // below the home; empty: the home itself

    QTest::newRow("remembered") << u"saved"_s << QStringList {u"saved"_s, u"音乐"_s} << u"saved"_s;
    QTest::newRow("remembered but gone")
        << u"saved"_s << QStringList {u"音乐"_s, u"下载"_s} << u"音乐"_s;
    QTest::newRow("first time") << QString() << QStringList {u"音乐"_s, u"下载"_s} << u"音乐"_s;
    QTest::newRow("no music folder") << QString() << QStringList {u"下载"_s} << u"下载"_s;
    QTest::newRow("neither") << QString() << QStringList() << QString();
}

void DownloadStoreTest::saveFolder()
{
    QFETCH(QString, remembered);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);

    // A home whose desktop names its music and download folders in Chinese
    const QTemporaryDir home;
    const QDir dir(home.path());
    QVERIFY(dir.mkpath(u".config"_s));
    writeFile(dir.filePath(u".config/user-dirs.dirs"_s),
              "XDG_MUSIC_DIR=\"$HOME/音乐\"\nXDG_DOWNLOAD_DIR=\"$HOME/下载\"\n");
    for (const QString &folder : std::as_const(existing))
        QVERIFY(dir.mkpath(folder));
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(u".config"_s)));
    if (!remembered.isEmpty())
        DownloadStore::rememberFolder(dir.filePath(remembered));

    const QString folder = DownloadStore::saveFolder();
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    QCOMPARE(QDir(folder), QDir(expected.isEmpty() ? home.path() : dir.filePath(expected)));
}

QTEST_GUILESS_MAIN(DownloadStoreTest)
#include "test_downloadstore.moc"
