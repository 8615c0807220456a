// The compact store of the song list's rows: whatever goes in reads back exactly.

#include "songlist/songrowstore.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString kPad(12, u' ');
} // namespace

class SongRowStoreTest : public QObject {
    Q_OBJECT

private slots:
    void rowsReadBackExactly_data();
    void rowsReadBackExactly();
    void clearStartsOver();
};

void SongRowStoreTest::rowsReadBackExactly_data()
{
    QTest::addColumn<SongRow>("cells");

    QTest::newRow("padded") << SongRow {u"情歌"_s + kPad, u"A1"_s + kPad, u"11"_s + kPad};
    QTest::newRow("empty cells") << SongRow {QString(), QString(), QString()};
    QTest::newRow("padding alone") << SongRow {kPad, u"a"_s, kPad + kPad};
    QTest::newRow("blanks and surrogates") << SongRow {u" 微笑😀 "_s, u"  "_s, u"x y"_s};
    // Lengths on either side of the one-byte header and of each further length byte
    QTest::newRow("long cells") << SongRow {QString(62, u'长'), QString(63, u's'),
                                            QString(16384, u'9') + kPad};
    QTest::newRow("Latin-1 and longer")
        << SongRow {u"Café ü"_s + kPad, QString(70000, u'é'), u"9"_s + kPad + u' '};
}

void SongRowStoreTest::rowsReadBackExactly()
{
    QFETCH(SongRow, cells);
    SongRowStore store;
    const SongRow before {u"before"_s + kPad, u"b"_s + kPad, u"1"_s + kPad};
    const SongRow after {u"after"_s, u"a"_s, u"3"_s};
    store.append({before, cells});
    store.append({after});

    QCOMPARE(store.size(), 3);
    QCOMPARE(store.row(0), before);
    QCOMPARE(store.row(1), cells);
    QCOMPARE(store.row(2), after);
    QString text = u"x"_s;
    store.appendCellText(1, 2, text);
    QCOMPARE(text, u"x"_s + cells.subItem(2));

    // Put in and taken out anywhere, as a kept list does, the rows around it stay whole
    store.remove(1);
    QCOMPARE(store.row(1), after);
    store.insert(0, cells);
    store.insert(2, cells);
    store.remove(0);
    QCOMPARE(store.size(), 3);
    QCOMPARE(store.row(0), before);
    QCOMPARE(store.row(1), cells);
    QCOMPARE(store.row(2), after);
    QCOMPARE(store.cells(2).initials, QLatin1StringView("a"));
}

void SongRowStoreTest::clearStartsOver()
{
    SongRowStore store;
    for (int k = 0; k < 1000; ++k)
        store.append({{u"歌%1"_s.arg(k), QString::number(k), QString::number(k) + kPad}});
    store.clear();
    QVERIFY(store.isEmpty());
    store.append({{u"新"_s, u"n"_s, u"1"_s}});
    QCOMPARE(store.size(), 1);
    QCOMPARE(store.row(0).text, u"新"_s);
}

QTEST_APPLESS_MAIN(SongRowStoreTest)
#include "test_songrowstore.moc"
