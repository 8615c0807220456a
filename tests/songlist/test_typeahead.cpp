#include "songlist/songrowstore.h"
#include "songlist/titlespelling.h"
#include "songlist/typeahead.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kPad(12, u' ');

SongRow row(const QString &title, const QString &serial = u"QP-0001"_s,
            const QString &id = u"10001"_s)
{
    return {title + kPad, serial + kPad, id + kPad};
}

// Rows as the song list keeps them
SongRowStore storeOf(const QList<SongRow> &rows)
{
    SongRowStore store;
    store.append(rows);
    return store;
}

} // namespace

class TypeAheadTest : public QObject {
    Q_OBJECT

private slots:
    void initials_data();
    void initials();
    void finds_data();
    void finds();
    void findRow_data();
    void findRow();
};

void TypeAheadTest::initials_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("han") << u"青花瓷"_s << "qhc"_ba;
    QTest::newRow("latin words and han") << u"Hello 世界"_s << "hsj"_ba;
    QTest::newRow("digits each") << u"七里香2046"_s << "qlx2046"_ba;
    QTest::newRow("full-width") << u"ＡＢＣ　２"_s << "a2"_ba;
    QTest::newRow("apostrophe inside a word") << u"I'm Yours"_s << "iy"_ba;
    QTest::newRow("latin-1 letter") << u"Éte 夜曲"_s << "\xe9yq"_ba;
    QTest::newRow("punctuation and emoji") << u"《微笑》😀！"_s << "wx"_ba;
    QTest::newRow("compatibility ideographs") << u"\uf9a8\U0002f800"_s << "ll"_ba;
    QTest::newRow("nothing to spell") << u"— ?"_s << ""_ba;
}

void TypeAheadTest::initials()
{
    QFETCH(QString, title);
    QFETCH(QByteArray, expected);

    QByteArray initials(64, '\0');
    initials.truncate(TitleSpelling::initials(QStringView(title), initials.data(), 64));
    QCOMPARE(initials, expected);

    // A row keeps the first of them only
    const SongRowStore rows = storeOf({row(title)});
    const QLatin1StringView kept = rows.cells(0).initials;
    QCOMPARE(QByteArray(kept.data(), kept.size()), expected.left(kStoredInitials));
}

void TypeAheadTest::finds_data()
{
    QTest::addColumn<SongRow>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("found");

    const SongRow yequ = row(u"夜曲"_s, u"QP-0012"_s, u"10012"_s);
    QTest::newRow("initials") << yequ << u"yq"_s << true;
    QTest::newRow("initials in capitals") << yequ << u"YQ"_s << true;
    QTest::newRow("full-width initials") << yequ << u"ｙＱ"_s << true;
    QTest::newRow("pinyin") << yequ << u"yequ"_s << true;
    QTest::newRow("pinyin begun") << yequ << u"yeq"_s << true;
    QTest::newRow("pinyin with blanks") << yequ << u"ye qu"_s << true;
    QTest::newRow("title") << yequ << u"夜"_s << true;
    QTest::newRow("serial") << yequ << u"qp-001"_s << true;
    QTest::newRow("identifier") << yequ << u"1001"_s << true;
    QTest::newRow("past the title") << yequ << u"yequa"_s << false;
    QTest::newRow("initials and pinyin mixed") << yequ << u"yqu"_s << false;
    QTest::newRow("padding is not text") << yequ << u"夜曲 "_s << false;
    QTest::newRow("nothing typed") << yequ << QString() << false;
    QTest::newRow("serial is not spelt") << yequ << u"qp0"_s << false;
    QTest::newRow("latin word initials") << row(u"Hello 世界"_s) << u"hsj"_s << true;
    QTest::newRow("latin words spelt out") << row(u"Hello 世界"_s) << u"helloshi"_s << true;
    QTest::newRow("latin title with blank") << row(u"Blue Night"_s) << u"blue n"_s << true;
    QTest::newRow("digits") << row(u"七里香2"_s) << u"qlx2"_s << true;
    QTest::newRow("full-width digits typed") << row(u"2046"_s) << u"２０"_s << true;
    QTest::newRow("ü typed as v") << row(u"绿光"_s) << u"lvg"_s << true;
    QTest::newRow("ü typed as u") << row(u"绿光"_s) << u"lug"_s << true;
    QTest::newRow("a latin v is no u") << row(u"Vivid"_s) << u"ui"_s << false;
    QTest::newRow("more initials than a row keeps")
        << row(u"一二三四五六七八九十"_s) << u"yesswlqbjs"_s << true;
    QTest::newRow("more initials than the title has")
        << row(u"一二三四五六七八"_s) << u"yesswlqbj"_s << false;
}

void TypeAheadTest::finds()
{
    QFETCH(SongRow, row);
    QFETCH(QString, typed);
    QFETCH(bool, found);

    // After a row of Latin-1 cells, so that the row's UTF-16 text does not start aligned
    const auto rows = storeOf({SongRow {u"a"_s, u"b"_s, u"c"_s}, row});
    QCOMPARE(TypeAheadText(typed).finds(rows.cells(1)), found);
}

void TypeAheadTest::findRow_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("expected");

    // Rows: 晚风, 夜曲, Blue Night, 夜曲之恋, 青花瓷
    QTest::newRow("from the start row on") << u"yq"_s << 1 << 1 << 1;
    QTest::newRow("down") << u"yq"_s << 2 << 1 << 3;
    QTest::newRow("down past the end") << u"yq"_s << 4 << 1 << 1;
    QTest::newRow("up") << u"yq"_s << 2 << -1 << 1;
    QTest::newRow("up past the start") << u"yq"_s << 0 << -1 << 3;
    QTest::newRow("only match") << u"qhc"_s << 0 << 1 << 4;
    QTest::newRow("no match") << u"zz"_s << 3 << 1 << -1;
}

void TypeAheadTest::findRow()
{
    QFETCH(QString, typed);
    QFETCH(int, start);
    QFETCH(int, step);
    QFETCH(int, expected);

    const auto rows = storeOf({row(u"晚风"_s), row(u"夜曲"_s), row(u"Blue Night"_s),
                               row(u"夜曲之恋"_s), row(u"青花瓷"_s)});
    QCOMPARE(TypeAheadText(typed).findRow(rows, start, step), expected);
}

QTEST_GUILESS_MAIN(TypeAheadTest)
#include "test_typeahead.moc"
