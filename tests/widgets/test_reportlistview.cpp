#include "widgets/reportlistmodel.h"
#include "widgets/reportlistview.h"

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPad(12, u' ');

ReportRow row(const QString &title, const QString &serial, const QString &id)
{
    return {title + kPad, serial + kPad, id + kPad};
}

QList<ReportRow> page(int first, int count)
{
    QList<ReportRow> rows;
    for (int i = first; i < first + count; ++i)
        rows.append(row(u"歌%1"_s.arg(i), u"QP-%1"_s.arg(i), QString::number(10000 + i)));
    return rows;
}

// A list laid out as the window lays it out
struct List {
    List()
    {
        for (const QString &header : {u"歌曲名称："_s, u"歌曲编号："_s, u"歌曲ID："_s})
            view.addColumn(header, 3000);
        view.resize(430, 300);
    }

    int widest(int column) const
    {
        int widest = 0;
        for (int index = 1; index <= view.count(); ++index)
            widest = std::max(
                widest, view.fontMetrics().horizontalAdvance(view.item(index).SubItems(column)));
        return widest;
    }

    ReportListView view;
};

} // namespace

class ReportListViewTest : public QObject {
    Q_OBJECT

private slots:
    void rowsKeepTheirCells_data();
    void rowsKeepTheirCells();
    void longListStaysIntact();
    void sizingCoversRowsJustAppended();
    void sizingFollowsClearAndFont();
    void rowsShareOneHeight();
    void marksBesideTheFirstCell();
};

void ReportListViewTest::rowsKeepTheirCells_data()
{
    QTest::addColumn<ReportRow>("cells");

    QTest::newRow("padded") << row(u"情歌"_s, u"A1"_s, u"11"_s);
    QTest::newRow("empty cells") << ReportRow {QString(), QString(), QString()};
    QTest::newRow("empty middle cell") << ReportRow {u"a"_s, QString(), u"c"_s};
    QTest::newRow("blanks and surrogates") << ReportRow {u" 微笑😀 "_s, u"  "_s, u"x y"_s};
    QTest::newRow("long cell") << ReportRow {QString(5000, u'长'), u"s"_s, QString(300, u'9')};
}

void ReportListViewTest::rowsKeepTheirCells()
{
    QFETCH(ReportRow, cells);
    ReportListView view;
    // Checks every index, flag and count the model hands out while columns and rows arrive
    const QAbstractItemModelTester tester(&view.listModel(),
                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int column = 0; column < 3; ++column)
        view.addColumn(u"h"_s, 3000);
    view.addRows({row(u"before"_s, u"b"_s, u"1"_s), cells, row(u"after"_s, u"a"_s, u"3"_s)});

    QCOMPARE(view.count(), 3);
    QCOMPARE(view.item(2), cells);
    QCOMPARE(view.item(1), row(u"before"_s, u"b"_s, u"1"_s));
    QCOMPARE(view.item(3), row(u"after"_s, u"a"_s, u"3"_s));
    // What the view shows and reads out is the cell, trailing blanks and all
    const ReportListModel &model = view.listModel();
    for (int column = 0; column < 3; ++column) {
        QCOMPARE(model.data(model.index(1, column)).toString(), cells.SubItems(column));
        QCOMPARE(model.data(model.index(1, column), Qt::AccessibleTextRole).toString(),
                 cells.SubItems(column));
    }
}

void ReportListViewTest::longListStaysIntact()
{
    // Thousands of page-sized insertions, as a long run makes them; the store grows many times
    ReportListView view;
    for (int column = 0; column < 3; ++column)
        view.addColumn(u"h"_s, 3000);
    for (int first = 1; first <= 40000; first += 20)
        view.addRows(page(first, 20));

    QCOMPARE(view.count(), 40000);
    for (const int index : {1, 20, 21, 19999, 40000})
        QCOMPARE(view.item(index), page(index, 1).first());
    // Nothing is handed out past either end
    const ReportListModel &model = view.listModel();
    QVERIFY(model.index(39999, 2).isValid());
    QVERIFY(!model.index(40000, 0).isValid());
    QVERIFY(!model.index(0, 3).isValid());
    QVERIFY(!model.index(-1, 0).isValid());
    QVERIFY(!model.index(0, 0, model.index(0, 0)).isValid());
}

void ReportListViewTest::sizingCoversRowsJustAppended()
{
    List list;
    list.view.addRows(page(1, 20));
    QCoreApplication::processEvents();
    // Appended and sized at once, without the event loop in between: the new row counts
    list.view.addRows({row(QString(40, u'宽'), u"S"_s, u"1"_s)});
    list.view.autoSizeColumn(1);

    const int widest = list.widest(0);
    QVERIFY(list.view.columnWidth(0) >= widest);
    QVERIFY(list.view.columnWidth(0) <= widest + 12);
}

void ReportListViewTest::sizingFollowsClearAndFont()
{
    List list;
    list.view.addRows({row(QString(40, u'宽'), u"S"_s, u"1"_s)});
    QCoreApplication::processEvents();

    // A new run starts from an empty list: the earlier wide row no longer counts
    list.view.clear();
    list.view.addRows(page(1, 3));
    list.view.autoSizeColumn(1);
    const int narrow = list.view.columnWidth(0);
    QVERIFY(narrow >= list.widest(0));
    QVERIFY(narrow <= list.widest(0) + 12);

    // A bigger font widens every text, measured or not
    QFont font = list.view.font();
    font.setPointSizeF(font.pointSizeF() * 2);
    list.view.setFont(font);
    list.view.autoSizeColumn(1);
    QVERIFY(list.view.columnWidth(0) >= list.widest(0));
    QVERIFY(list.view.columnWidth(0) > narrow);
}

void ReportListViewTest::rowsShareOneHeight()
{
    List list;
    list.view.addRows(page(1, 30));
    list.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));

    const auto height = [&](int index) {
        return list.view.visualRect(list.view.listModel().index(index - 1, 0)).height();
    };
    const int rowHeight = height(1);
    // As high as the text needs, not the taller default of a table's rows
    QVERIFY(rowHeight >= list.view.fontMetrics().height());
    QVERIFY(rowHeight < 2 * list.view.fontMetrics().height());
    QCOMPARE(height(30), rowHeight);

    QFont font = list.view.font();
    font.setPointSizeF(font.pointSizeF() * 2);
    list.view.setFont(font);
    QVERIFY(height(1) > rowHeight);
    QCOMPARE(height(30), height(1));
}

// The play mark and the error marks are icons of the first cell, which keeps its text; a failed
// row's reason is its tooltip; the marks go with the rows
void ReportListViewTest::marksBesideTheFirstCell()
{
    List list;
    list.view.addRows(page(1, 3));
    const ReportListModel &model = list.view.listModel();
    const auto icon = [&](int row, int column = 0) {
        return model.index(row - 1, column).data(Qt::DecorationRole).value<QIcon>().cacheKey();
    };
    QCOMPARE(icon(1), QIcon().cacheKey());

    list.view.setPlayMark(2);
    const qint64 playing = icon(2);
    QVERIFY(playing != QIcon().cacheKey());
    QCOMPARE(model.index(1, 0).data().toString(), u"歌2"_s + kPad);
    QCOMPARE(icon(2, 1), QIcon().cacheKey());
    list.view.setPlayMark(3);
    QCOMPARE(icon(2), QIcon().cacheKey());
    QCOMPARE(icon(3), playing);
    QCOMPARE(list.view.playMark(), 3);

    // A failed row shows its error mark even while it is tried again
    list.view.setErrorMark(3, u"无法播放该媒体"_s);
    QVERIFY(icon(3) != playing && icon(3) != QIcon().cacheKey());
    QCOMPARE(model.index(2, 0).data(Qt::ToolTipRole).toString(), u"无法播放该媒体"_s);
    QVERIFY(model.index(2, 1).data(Qt::ToolTipRole).isNull());

    list.view.clear();
    list.view.addRows(page(1, 3));
    QCOMPARE(list.view.playMark(), 0);
    QCOMPARE(icon(3), QIcon().cacheKey());
    QVERIFY(model.index(2, 0).data(Qt::ToolTipRole).isNull());
}

QTEST_MAIN(ReportListViewTest)
#include "test_reportlistview.moc"
