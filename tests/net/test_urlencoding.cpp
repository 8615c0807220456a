#include "common/failure.h"
#include "net/urlencoding.h"

#include <QTest>

class TestUrlEncoding : public QObject {
    Q_OBJECT

private slots:
    void bothEncoders_data();
    void bothEncoders();
    void utf8Only_data();
    void utf8Only();
    void gbkOnly_data();
    void gbkOnly();
    void keywordLengthLimit_data();
    void keywordLengthLimit();
    void percentIsEscapedAgain();
};

void TestUrlEncoding::bothEncoders_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("utf8");
    QTest::addColumn<QString>("gbk");

    QTest::newRow("ascii, blank, hanzi")
        << u"abc 中"_qs << u"abc%20%E4%B8%AD"_qs << u"abc%20%D6%D0"_qs;
    QTest::newRow("two hanzi") << u"音乐"_qs << u"%E9%9F%B3%E4%B9%90"_qs << u"%D2%F4%C0%D6"_qs;
    QTest::newRow("blanks around and inside")
        << u"  x y "_qs << u"x%20y"_qs << u"%20%20x%20y%20"_qs;
    QTest::newRow("punctuation") << u"a-b,c.d/1_~"_qs << u"a%2Db%2Cc%2Ed%2F1%5F%7E"_qs
                                 << u"a-b,c.d/1%5F%7E"_qs;
    QTest::newRow("latin-1 letter") << u"\u00E9"_qs << u"%E9"_qs << u"%A8%A6"_qs;
    QTest::newRow("greek letter") << u"\u03B1"_qs << u"%E0%8E%B1"_qs << u"%A6%C1"_qs;
    QTest::newRow("full-width comma") << u"\uFF0C"_qs << u"%EF%BC%8C"_qs << u"%A3%AC"_qs;
    QTest::newRow("tab") << u"\t"_qs << u"%09"_qs << u"%09"_qs;
    QTest::newRow("percent") << u"%"_qs << u"%25"_qs << u"%25"_qs;
    QTest::newRow("query delimiters") << u"+&=?"_qs << u"%2B%26%3D%3F"_qs << u"%2B%26%3D%3F"_qs;
    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("only blanks") << u"   "_qs << QString() << u"%20%20%20"_qs;
    // Each half of a surrogate pair goes alone: GBK has no code for a half, so it is "?".
    QTest::newRow("outside the BMP")
        << u"\U0001F600"_qs << u"%ED%A0%BD%ED%B8%80"_qs << u"%3F%3F"_qs;
    QTest::newRow("digits and letters stay") << u"AZaz09"_qs << u"AZaz09"_qs << u"AZaz09"_qs;
}

void TestUrlEncoding::bothEncoders()
{
    QFETCH(QString, input);
    QFETCH(QString, utf8);
    QFETCH(QString, gbk);
    QCOMPARE(EncodeUtf8Url(input), utf8);
    QCOMPARE(EncodeUrl(input), gbk);
}

void TestUrlEncoding::utf8Only_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three hex digits get their leading zero") << u"\u0E01"_qs << u"%E0%B8%81"_qs;
    QTest::newRow("U+0100 is the first three-byte unit") << u"\u0100"_qs << u"%E0%84%80"_qs;
    QTest::newRow("U+00FF is still one escape") << u"\u00FF"_qs << u"%FF"_qs;
    QTest::newRow("U+0080 is one escape, not two bytes") << u"\u0080"_qs << u"%80"_qs;
    QTest::newRow("lone low surrogate") << QString(QChar(char16_t(0xDC00))) << u"%ED%B0%80"_qs;
    QTest::newRow("tabs at the ends stay") << u"\tx\t"_qs << u"%09x%09"_qs;
    // Only U+0020 is trimmed; an ideographic space is typed text like any other.
    QTest::newRow("ideographic space stays") << u"\u3000x\u3000"_qs << u"%E3%80%80x%E3%80%80"_qs;
}

void TestUrlEncoding::utf8Only()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(EncodeUtf8Url(input), expected);
}

void TestUrlEncoding::gbkOnly_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("hanzi") << u"中"_qs << u"%D6%D0"_qs;
    QTest::newRow("media path") << u"/mp3/2024/歌 曲-1.mp3"_qs
                                << u"/mp3/2024/%B8%E8%20%C7%FA-1.mp3"_qs;
    QTest::newRow("ideographic space") << u"\u3000"_qs << u"%A1%A1"_qs;
    QTest::newRow("no GBK code") << u"\u00FF"_qs << u"%3F"_qs;
    QTest::newRow("lone high surrogate before a letter")
        << QString(QChar(char16_t(0xD83D))) + u'a' << u"%3Fa"_qs;
}

void TestUrlEncoding::gbkOnly()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(EncodeUrl(input), expected);
}

void TestUrlEncoding::keywordLengthLimit_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("overflows");

    QTest::newRow("32766 units") << QString(32766, u'a') << false;
    QTest::newRow("32767 units") << QString(32767, u'a') << true;
    QTest::newRow("32767 units before trimming") << u' ' + QString(32766, u'a') << false;
    QTest::newRow("32767 units after trimming") << u' ' + QString(32767, u'a') + u' ' << true;
}

void TestUrlEncoding::keywordLengthLimit()
{
    QFETCH(QString, input);
    QFETCH(bool, overflows);
    if (overflows) {
        QVERIFY_THROWS_EXCEPTION(Failure, EncodeUtf8Url(input));
    } else {
        QCOMPARE(EncodeUtf8Url(input), input.trimmed());
    }
}

void TestUrlEncoding::percentIsEscapedAgain()
{
    const QString once = EncodeUtf8Url(u"a b"_qs);
    QCOMPARE(EncodeUtf8Url(once), u"a%2520b"_qs);
    QCOMPARE(EncodeUrl(EncodeUrl(u"a b"_qs)), u"a%2520b"_qs);
}

QTEST_GUILESS_MAIN(TestUrlEncoding)
#include "test_urlencoding.moc"
