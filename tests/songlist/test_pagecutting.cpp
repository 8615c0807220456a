#include "common/failure.h"
#include "songlist/pagecutting.h"
#include "songlist/songlistmodel.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kPad(12, u' ');

QString header(int records, const QString &pages)
{
    return u"[{totalrecorder:%1,totalpage:%2},"_s.arg(records).arg(pages);
}

QString entry(const QString &id, const QString &title, const QString &serial)
{
    return u"{id:\"%1\",title:\"%2\",serial:\"%3\",singer:\"x\"}"_s.arg(id, title, serial);
}

SongRow row(const QString &title, const QString &serial, const QString &id)
{
    return {title + kPad, serial + kPad, id + kPad};
}

} // namespace

class PageCuttingTest : public QObject {
    Q_OBJECT

private slots:
    void rows_data();
    void rows();
    void failingPages_data();
    void failingPages();
    void totalPagesField_data();
    void totalPagesField();
    void pieceLimit();
};

void PageCuttingTest::rows_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QList<SongRow>>("expected");

    QTest::newRow("two songs") << header(2, u"1"_s) + entry(u"11"_s, u"情歌【现场】"_s, u"A1"_s)
            + u","_s + entry(u"12"_s, u"晚风"_s, u"A2"_s) + u"]"_s
                               << QList<SongRow> {row(u"情歌"_s, u"A1"_s, u"11"_s),
                                                  row(u"晚风"_s, u"A2"_s, u"12"_s)};
    QTest::newRow("blank before bracket stays")
        << header(1, u"1"_s) + entry(u"1"_s, u"情歌 【现场】"_s, u"S"_s) + u"]"_s
        << QList<SongRow> {row(u"情歌 "_s, u"S"_s, u"1"_s)};
    QTest::newRow("title starting with bracket")
        << header(1, u"1"_s) + entry(u"1"_s, u"【伴奏】"_s, u"S"_s) + u"]"_s
        << QList<SongRow> {row(QString(), u"S"_s, u"1"_s)};
    QTest::newRow("line break between entries") << header(2, u"1"_s)
            + entry(u"1"_s, u"a"_s, u"S1"_s) + u",\r\n\t"_s + entry(u"2"_s, u"b"_s, u"S2"_s)
            + u"]"_s << QList<SongRow> {row(u"a"_s, u"S1"_s, u"1"_s), row(u"b"_s, u"S2"_s, u"2"_s)};
    QTest::newRow("line breaks inside values are removed")
        << header(1, u"1"_s) + u"{id:\"7\",title:\"晚\r\n风\",serial:\"S\t1\",x:1}]"_s
        << QList<SongRow> {row(u"晚风"_s, u"S1"_s, u"7"_s)};
    QTest::newRow("blank after comma joins entries") << header(2, u"1"_s)
            + entry(u"1"_s, u"a"_s, u"S1"_s) + u", "_s + entry(u"2"_s, u"b"_s, u"S2"_s)
            + u"]"_s << QList<SongRow> {row(u"a"_s, u"S1"_s, u"1"_s)};
    QTest::newRow("search heading after brackets")
        << u"<p>]},{id:\"99\",title:\"x\",serial:\"y\",z:1}</p><h3>搜索：晚风</h3>"_s
            + header(1, u"1"_s) + entry(u"5"_s, u"晚风"_s, u"S5"_s) + u"]"_s
        << QList<SongRow> {row(u"晚风"_s, u"S5"_s, u"5"_s)};
    QTest::newRow("empty result") << u"[{totalrecorder:0,totalpage:0}]"_s << QList<SongRow> {};
    QTest::newRow("fields in any order after id")
        << header(1, u"1"_s) + u"{id:\"3\",time:\"1:00\",serial:\"S3\",x:\"\",title:\"歌\",y:2}]"_s
        << QList<SongRow> {row(u"歌"_s, u"S3"_s, u"3"_s)};
    QTest::newRow("values keep their blanks")
        << header(1, u"1"_s) + entry(u" 4 "_s, u" a b "_s, u" s "_s) + u"]"_s
        << QList<SongRow> {row(u" a b "_s, u" s "_s, u" 4 "_s)};
    QTest::newRow("text after the list is ignored") << header(1, u"1"_s)
            + entry(u"1"_s, u"a"_s, u"s"_s) + u"]"_s
            + entry(u"2"_s, u"b"_s, u"t"_s) << QList<SongRow> {row(u"a"_s, u"s"_s, u"1"_s)};
    // Markers are found by jumping to one of their characters; values full of those characters
    // must not throw the search off
    QTest::newRow("marker characters inside values")
        << header(1, u"1"_s) + entry(u"c:l:r"_s, u"l:title r"_s, u"r:serial l"_s) + u"]"_s
        << QList<SongRow> {row(u"l:title r"_s, u"r:serial l"_s, u"c:l:r"_s)};
    QTest::newRow("separator right before the end")
        << header(1, u"1"_s) + entry(u"1"_s, u"a"_s, u"s"_s) + u",{id]"_s
        << QList<SongRow> {row(u"a"_s, u"s"_s, u"1"_s)};
    QTest::newRow("separator cut off by the end")
        << header(1, u"1"_s) + entry(u"1"_s, u"a"_s, u"s"_s) + u",{i]"_s
        << QList<SongRow> {row(u"a"_s, u"s"_s, u"1"_s)};
}

void PageCuttingTest::rows()
{
    QFETCH(QString, page);
    QFETCH(QList<SongRow>, expected);
    SongListModel list;
    const QSignalSpy insertions(&list, &SongListModel::rowsStored);
    addPageRows(page, list);
    QList<SongRow> rows;
    for (int row = 0; row < list.size(); ++row)
        rows.append(list.row(row));
    QCOMPARE(rows, expected);
    // A page's rows arrive together, as one insertion
    QVERIFY(insertions.size() <= 1);
}

void PageCuttingTest::failingPages_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("rowsKept");

    QTest::newRow("serial as last field keeps earlier rows") << header(3, u"1"_s)
            + entry(u"1"_s, u"a"_s, u"s"_s) + u","_s + u"{id:\"2\",title:\"b\",serial:\"t\"},"_s
            + entry(u"3"_s, u"c"_s, u"u"_s) + u"]"_s << 1;
    QTest::newRow("title as last field")
        << header(1, u"1"_s) + u"{id:\"1\",serial:\"s\",title:\"a\"}]"_s << 0;
    QTest::newRow("no closing bracket") << header(1, u"1"_s) + entry(u"1"_s, u"a"_s, u"s"_s) << 0;
    QTest::newRow("only bracket before heading")
        << u"]<h3>搜索：x</h3>"_s + header(1, u"1"_s) + entry(u"1"_s, u"a"_s, u"s"_s) << 0;
    QTest::newRow("entry without title")
        << header(1, u"1"_s) + u"{id:\"1\",serial:\"s\",x:1}]"_s << 0;
}

void PageCuttingTest::failingPages()
{
    QFETCH(QString, page);
    QFETCH(int, rowsKept);
    SongListModel list;
    QVERIFY_THROWS_EXCEPTION(Failure, addPageRows(page, list));
    QCOMPARE(list.size(), rowsKept);
}

void PageCuttingTest::totalPagesField_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("total");

    QTest::newRow("plain") << header(2, u"3"_s) + u"]"_s << u"3"_s;
    QTest::newRow("blank kept") << u"[{totalrecorder:2,totalpage: 3}]"_s << u" 3"_s;
    QTest::newRow("empty result") << u"[{totalrecorder:0,totalpage:0}]"_s << u"0"_s;
    QTest::newRow("quoted key found after cleaning")
        << u"[{\"totalrecorder\": 5, totalpage:\"2\"}]"_s << u"\"2\""_s;
    QTest::newRow("no header gives the page")
        << u"<html>not found</html>"_s << u"<html>not found</html>"_s;
    QTest::newRow("header without totalpage") << u"[{totalrecorder:5}]"_s << QString();
    QTest::newRow("search heading first")
        << u"<h3>搜索：a</h3>[{totalrecorder:40,totalpage:2},"_s << u"2"_s;
}

void PageCuttingTest::totalPagesField()
{
    QFETCH(QString, page);
    QFETCH(QString, total);
    QCOMPARE(readTotalPages(page), total);
}

void PageCuttingTest::pieceLimit()
{
    // 32767 pieces are cut (the empty piece left by the header counts); one more and the page
    // is refused before any row is appended
    const QString one = entry(u"1"_s, u"a"_s, u"s"_s);
    QString page = header(1, u"1"_s);
    for (int i = 0; i < 32765; ++i)
        page += one + u","_s;
    SongListModel list;
    addPageRows(page + one + u"]"_s, list);
    QCOMPARE(list.size(), 32766);

    SongListModel tooMany;
    QVERIFY_THROWS_EXCEPTION(Failure, addPageRows(page + one + u","_s + one + u"]"_s, tooMany));
    QCOMPARE(tooMany.size(), 0);
}

QTEST_GUILESS_MAIN(PageCuttingTest)
#include "test_pagecutting.moc"
