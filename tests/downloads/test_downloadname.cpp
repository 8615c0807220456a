// The file name an address suggests, and the free path for it in a folder

#include "common/urlfilename.h"
#include "downloads/downloadfilename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QUrl>

#include <set>

using namespace Qt::StringLiterals;

class DownloadNameTest : public QObject {
    Q_OBJECT

private slots:
    void nameFromAddress_data();
    void nameFromAddress();
    void longNamesAreCapped_data();
    void longNamesAreCapped();
    void freePathCountsUp();
};

void DownloadNameTest::nameFromAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");

    QTest::newRow("gbk escapes") << u"http://h/music/%CD%ED%B7%E7%20live%5F1.wav"_s
                                 << u"晚风 live_1.wav"_s;
    QTest::newRow("utf-8 escapes") << u"http://h/music/%E6%99%9A%E9%A3%8E.mp3"_s << u"晚风.mp3"_s;
    QTest::newRow("typed hanzi") << u"http://h/music/晚风.mp3"_s << u"晚风.mp3"_s;
    QTest::newRow("query ignored") << u"http://h/a.mp3?x=1/2#b/c"_s << u"a.mp3"_s;
    QTest::newRow("escaped slashes")
        << u"http://h/..%2F..%2Fetc%2Fpasswd"_s << u"／..／etc／passwd"_s;
    QTest::newRow("escaped backslashes") << u"http://h/%5C..%5Cboot.ini"_s << u"＼..＼boot.ini"_s;
    QTest::newRow("awkward characters")
        << u"http://h/a%3Ab%2Ac%3Fd%22e%3Cf%3Eg%7Ch.mp3"_s << u"a：b＊c？d＂e＜f＞g｜h.mp3"_s;
    QTest::newRow("hidden") << u"http://h/.hidden"_s << u"hidden"_s;
    QTest::newRow("dot dot") << u"http://h/a/%2E%2E"_s << u"download"_s;
    QTest::newRow("blanks and dots") << u"http://h/%20.%20.x%20"_s << u"x"_s;
    QTest::newRow("controls") << u"http://h/a%00b%0A%7Fc%C2%85.wav"_s << u"abc.wav"_s;
    QTest::newRow("bidi override") << u"http://h/song%E2%80%AEvaw.exe"_s << u"songvaw.exe"_s;
    QTest::newRow("trailing slash") << u"http://h/music/"_s << u"download"_s;
    QTest::newRow("no path") << u"http://h"_s << u"download"_s;
}

void DownloadNameTest::nameFromAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, name);
    QCOMPARE(downloadNameFromUrl(QUrl(address)), name);
}

void DownloadNameTest::longNamesAreCapped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("ascii") << QString(1000, u'a') + u".wav"_s << u".wav"_s;
    QTest::newRow("hanzi") << QString(300, u'风') + u".mp3"_s << u".mp3"_s;
    QTest::newRow("surrogate pairs") << QString(u"🎵"_s).repeated(200) + u".ogg"_s << u".ogg"_s;
    QTest::newRow("long suffix") << u"a."_s + QString(400, u'b') << QString();
}

void DownloadNameTest::longNamesAreCapped()
{
    QFETCH(QString, name);
    QFETCH(QString, suffix);

    const QString plain = plainFileName(name);
    QVERIFY(QFile::encodeName(plain).size() <= kMaxDownloadNameBytes);
    // The partial file's name must fit as well
    QVERIFY(QFile::encodeName(QFileInfo(partFilePath(plain)).fileName()).size() <= 255);
    QVERIFY(plain.size() > 20);
    QVERIFY(plain.endsWith(suffix));
    QVERIFY2(plain.isValidUtf16(), "a surrogate pair was split");
}

void DownloadNameTest::freePathCountsUp()
{
    std::set<QString> taken;
    const auto isTaken = [&taken](const QString &path) { return taken.contains(path); };
    const QDir dir(u"/d"_s);

    QCOMPARE(freeFilePath(u"/d"_s, u"a.wav"_s, isTaken), dir.filePath(u"a.wav"_s));
    taken = {dir.filePath(u"a.wav"_s), dir.filePath(u"a (1).wav"_s)};
    QCOMPARE(freeFilePath(u"/d"_s, u"a.wav"_s, isTaken), dir.filePath(u"a (2).wav"_s));
    taken = {dir.filePath(u"Mr. Brown.mp3"_s)};
    QCOMPARE(freeFilePath(u"/d"_s, u"Mr. Brown.mp3"_s, isTaken),
             dir.filePath(u"Mr. Brown (1).mp3"_s));
    taken = {dir.filePath(u"%1 %2"_s)};
    QCOMPARE(freeFilePath(u"/d"_s, u"%1 %2"_s, isTaken), dir.filePath(u"%1 %2 (1)"_s));
}

QTEST_GUILESS_MAIN(DownloadNameTest)
#include "test_downloadname.moc"
