#include "common/failure.h"
#include "net/urlencoding.h"

#include <QTest>

using namespace Qt::StringLiterals;

class UrlEncodingTest : public QObject {
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

void UrlEncodingTest::bothEncoders_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("utf8");
    QTest::addColumn<QString>("gbk");

    QTest::newRow("ascii, blank, hanzi")
        << u"abc 中"_s << u"abc%20%E4%B8%AD"_s << u"abc%20%D6%D0"_s;
    QTest::newRow("two hanzi") << u"音乐"_s << u"%E9%9F%B3%E4%B9%90"_s << u"%D2%F4%C0%D6"_s;
    QTest::newRow("blanks around and inside") << u"  x y "_s << u"x%20y"_s << u"%20%20x%20y%20"_s;
    QTest::newRow("punctuation") << u"a-b,c.d/1_~"_s << u"a%2Db%2Cc%2Ed%2F1%5F%7E"_s
                                 << u"a-b,c.d/1%5F%7E"_s;
    QTest::newRow("latin-1 letter") << u"\u00E9"_s << u"%E9"_s << u"%A8%A6"_s;
    QTest::newRow("greek letter") << u"\u03B1"_s << u"%E0%8E%B1"_s << u"%A6%C1"_s;
    QTest::newRow("full-width comma") << u"\uFF0C"_s << u"%EF%BC%8C"_s << u"%A3%AC"_s;
    QTest::newRow("tab") << u"\t"_s << u"%09"_s << u"%09"_s;
    QTest::newRow("percent") << u"%"_s << u"%25"_s << u"%25"_s;
    QTest::newRow("query delimiters") << u"+&=?"_s << u"%2B%26%3D%3F"_s << u"%2B%26%3D%3F"_s;
    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("only blanks") << u"   "_s << QString() << u"%20%20%20"_s;
    // Each half of a surrogate pair goes alone: GBK has no code for a half, so it is "?".
    QTest::newRow("outside the BMP") << u"\U0001F600"_s << u"%ED%A0%BD%ED%B8%80"_s << u"%3F%3F"_s;
    QTest::newRow("digits and letters stay") << u"AZaz09"_s << u"AZaz09"_s << u"AZaz09"_s;
}

void UrlEncodingTest::bothEncoders()
{
    QFETCH(QString, input);
    QFETCH(QString, utf8);
    QFETCH(QString, gbk);
    QCOMPARE(encodeUtf8Url(input), utf8);
    QCOMPARE(encodeUrl(input), gbk);
}

void UrlEncodingTest::utf8Only_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three hex digits get their leading zero") << u"\u0E01"_s << u"%E0%B8%81"_s;
    QTest::newRow("U+0100 is the first three-byte unit") << u"\u0100"_s << u"%E0%84%80"_s;
    QTest::newRow("U+00FF is still one escape") << u"\u00FF"_s << u"%FF"_s;
    QTest::newRow("U+0080 is one escape, not two bytes") << u"\u0080"_s << u"%80"_s;
    QTest::newRow("lone low surrogate") << QString(QChar(char16_t(0xDC00))) << u"%ED%B0%80"_s;
    QTest::newRow("tabs at the ends stay") << u"\tx\t"_s << u"%09x%09"_s;
    // Only U+0020 is trimmed; an ideographic space is typed text like any other.
    QTest::newRow("ideographic space stays") << u"\u3000x\u3000"_s << u"%E3%80%80x%E3%80%80"_s;
}

void UrlEncodingTest::utf8Only()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(encodeUtf8Url(input), expected);
}

void UrlEncodingTest::gbkOnly_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("hanzi") << u"中"_s << u"%D6%D0"_s;
    QTest::newRow("media path") << u"/mp3/2024/歌 曲-1.mp3"_s
                                << u"/mp3/2024/%B8%E8%20%C7%FA-1.mp3"_s;
    QTest::newRow("ideographic space") << u"\u3000"_s << u"%A1%A1"_s;
    QTest::newRow("no GBK code") << u"\u00FF"_s << u"%3F"_s;
    QTest::newRow("lone high surrogate before a letter")
        << QString(QChar(char16_t(0xD83D))) + u'a' << u"%3Fa"_s;
}

void UrlEncodingTest::gbkOnly()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(encodeUrl(input), expected);
}

void UrlEncodingTest::keywordLengthLimit_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("overflows");

    QTest::newRow("32766 units") << QString(32766, u'a') << false;
    QTest::newRow("32767 units") << QString(32767, u'a') << true;
    QTest::newRow("32767 units before trimming") << u' ' + QString(32766, u'a') << false;
    QTest::newRow("32767 units after trimming") << u' ' + QString(32767, u'a') + u' ' << true;
}

void UrlEncodingTest::keywordLengthLimit()
{
    QFETCH(QString, input);
    QFETCH(bool, overflows);
    if (overflows) {
        QVERIFY_THROWS_EXCEPTION(Failure, encodeUtf8Url(input));
    } else {
        QCOMPARE(encodeUtf8Url(input), input.trimmed());
    }
}

void UrlEncodingTest::percentIsEscapedAgain()
{
    const QString once = encodeUtf8Url(u"a b"_s);
    QCOMPARE(encodeUtf8Url(once), u"a%2520b"_s);
    QCOMPARE(encodeUrl(encodeUrl(u"a b"_s)), u"a%2520b"_s);
}

QTEST_GUILESS_MAIN(UrlEncodingTest)
#include "test_urlencoding.moc"
