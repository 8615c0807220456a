#include "catalogueservice.h"
#include "songlist/shownprefix.h"
#include "songlist/songlistloader.h"
#include "songlist/songlistmodel.h"
#include "testwindow.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"
#include "widgets/typeaheadbox.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QIcon>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kPad(12, u' ');

SongRow row(const QString &title, const QString &serial, const QString &id)
{
    return {title + kPad, serial + kPad, id + kPad};
}

QList<SongRow> page(int first, int count)
{
    QList<SongRow> rows;
    for (int i = first; i < first + count; ++i)
        rows.append(row(u"歌%1"_s.arg(i), u"QP-%1"_s.arg(i), QString::number(10000 + i)));
    return rows;
}

// The longest text handed to the style to paint or measure a cell
class LongestText : public QStyledItemDelegate {
public:
    mutable qsizetype longest = 0;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        longest = std::max(longest, option->text.size());
    }
};

// A list laid out as the window lays it out
struct List {
    List()
    {
        view.setListModel(songs);
        view.resize(430, 300);
    }

    int widest(int column) const
    {
        int widest = 0;
        for (int row = 0; row < songs.size(); ++row)
            widest = std::max(widest,
                              view.fontMetrics().horizontalAdvance(songs.row(row).subItem(column)));
        return widest;
    }

    SongListModel songs;
    ReportListView view;
};

} // namespace

class ReportListViewTest : public QObject {
    Q_OBJECT

private slots:
    void cellsShowAsGiven();
    void sizingCoversRowsJustAppended();
    void sizingFollowsClearAndFont();
    void widthsEqualFullMeasurement();
    void rowsShareOneHeight();
    void runEndsWithEveryRowShown_data();
    void runEndsWithEveryRowShown();
    void countIsExactInsideHandlers();
    void progressTextsAppearInOrder();
    void marksBesideTheFirstCell();
    void hugeTitleShowsItsPrefix();
    void typeAheadBoxKeepsItsCorner();
    void panelTextsFitTheirPanels();
};

void ReportListViewTest::cellsShowAsGiven()
{
    const SongRow cells {u" 微笑😀 "_s + kPad, u"  "_s, u"x y"_s};
    List list;
    // Checks every index, flag and count the model hands out while rows arrive and go
    const QAbstractItemModelTester tester(&list.view.listModel(),
                                          QAbstractItemModelTester::FailureReportingMode::QtTest);
    list.songs.appendRows({row(u"before"_s, u"b"_s, u"1"_s), cells});
    for (int first = 3; first <= 40000; first += 20)
        list.songs.appendRows(page(first, 20));

    // Every row counts and reads back at once, before the view has taken them in
    QCOMPARE(list.songs.size(), 40002);
    QCOMPARE(list.songs.row(1), cells);
    QCOMPARE(list.songs.row(40001), page(40002, 1).first());
    const SongListModel &model = list.view.listModel();
    QVERIFY(model.rowCount() < 40002);
    list.view.refresh();
    QCOMPARE(model.rowCount(), 40002);
    // What the view shows and reads out is the cell, trailing blanks and all
    for (int column = 0; column < 3; ++column) {
        QCOMPARE(model.data(model.index(1, column)).toString(), cells.subItem(column));
        QCOMPARE(model.data(model.index(1, column), Qt::AccessibleTextRole).toString(),
                 cells.subItem(column));
    }
    // Nothing is handed out past either end
    QVERIFY(model.index(40001, 2).isValid());
    QVERIFY(!model.index(40002, 0).isValid());
    QVERIFY(!model.index(0, 3).isValid());
    QVERIFY(!model.index(-1, 0).isValid());
    QVERIFY(!model.index(0, 0, model.index(0, 0)).isValid());
    list.songs.clear();
    QCOMPARE(model.rowCount(), 0);
}

void ReportListViewTest::sizingCoversRowsJustAppended()
{
    List list;
    list.songs.appendRows(page(1, 20));
    QCoreApplication::processEvents();
    // Appended and sized at once, without the event loop in between: the new row counts
    list.songs.appendRows({row(QString(40, u'宽'), u"S"_s, u"1"_s)});
    list.view.fitColumnToContent(0);

    const int widest = list.widest(0);
    QVERIFY(list.view.columnWidth(0) >= widest);
    QVERIFY(list.view.columnWidth(0) <= widest + 12);
}

void ReportListViewTest::sizingFollowsClearAndFont()
{
    List list;
    list.songs.appendRows({row(QString(40, u'宽'), u"S"_s, u"1"_s)});
    QCoreApplication::processEvents();

    // A new run starts from an empty list: the earlier wide row no longer counts
    list.songs.clear();
    list.songs.appendRows(page(1, 3));
    list.view.fitColumnToContent(0);
    const int narrow = list.view.columnWidth(0);
    QVERIFY(narrow >= list.widest(0));
    QVERIFY(narrow <= list.widest(0) + 12);

    // A bigger font widens every text, measured or not
    QFont font = list.view.font();
    font.setPointSizeF(font.pointSizeF() * 2);
    list.view.setFont(font);
    list.view.fitColumnToContent(0);
    QVERIFY(list.view.columnWidth(0) >= list.widest(0));
    QVERIFY(list.view.columnWidth(0) > narrow);
}

void ReportListViewTest::widthsEqualFullMeasurement()
{
    List list;
    const int margin = list.view.contentWidth(0);
    // Titles repeat, as in a catalogue; measured in slices while the event loop idles
    for (int first = 1; first <= 2000; first += 20) {
        QList<SongRow> rows = page(first, 20);
        rows[first % 20].text = row(u"重复的标题"_s, {}, {}).text;
        list.songs.appendRows(rows);
        QCoreApplication::processEvents();
    }
    // The widest title is plain ASCII whose neighbours kern; the widest serial is of pairs that
    // the font joins into one glyph ("ff")
    list.songs.appendRows({row(u"AVAVAVAV WAVY Tokyo To Yuval LTAVAV"_s, u"P-9"_s, u"1"_s),
                           row(u"Waffle"_s, QString(20, u'f'), u"2"_s)});

    const auto measuredInFull = [&] {
        for (int column = 0; column < 3; ++column) {
            if (list.view.contentWidth(column) != list.widest(column) + margin)
                return false;
        }
        return true;
    };
    QVERIFY(measuredInFull());
    // A new font makes every remembered width wrong
    QFont font = list.view.font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    list.view.setFont(font);
    QCoreApplication::processEvents();
    QVERIFY(measuredInFull());
}

void ReportListViewTest::rowsShareOneHeight()
{
    List list;
    list.songs.appendRows(page(1, 30));
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

void ReportListViewTest::runEndsWithEveryRowShown_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("rows");

    QTest::newRow("last page") << QStringList() << 100;
    QTest::newRow("no list") << QStringList {u"--empty-page"_s, u"4"_s} << 60;
    QTest::newRow("failed fetch") << QStringList {u"--cut-page"_s, u"3"_s} << 40;
}

void ReportListViewTest::runEndsWithEveryRowShown()
{
    QFETCH(QStringList, faults);
    QFETCH(int, rows);
    CatalogueService service(QStringList {u"--songs"_s, u"100"_s, u"--per-page"_s, u"20"_s,
                                          u"--media-seconds"_s, u"0.5"_s}
                             + faults);
    QVERIFY(service.isRunning());
    TestWindow window(service.base(), std::chrono::seconds(5));
    QVERIFY(window.show());
    QVERIFY(window.load());
    ReportListView &view = *window.list();
    const SongListModel &songs = window.songs();

    // At once, without waiting for the next frame: what the view and a screen reader see
    QCOMPARE(songs.size(), rows);
    QCOMPARE(view.listModel().rowCount(), rows);
    QAccessibleTableInterface *table
        = QAccessible::queryAccessibleInterface(&view)->tableInterface();
    QCOMPARE(table->rowCount(), rows);
    QCOMPARE(table->columnCount(), 3);
    for (int column = 0; column < 3; ++column) {
        QAccessibleInterface *cell = table->cellAt(rows - 1, column);
        QCOMPARE(cell->text(QAccessible::Name), songs.row(rows - 1).subItem(column));
        // Every end finishes the list, a failed one too: its last row is selected
        QVERIFY(cell->state().selected);
        // Header cells are handed out new and unregistered, for the caller to delete
        const QList<QAccessibleInterface *> headers
            = cell->tableCellInterface()->columnHeaderCells();
        const QString header
            = headers.value(0) ? headers.first()->text(QAccessible::Name) : QString();
        for (QAccessibleInterface *headerCell : headers)
            QAccessible::deleteAccessibleInterface(
                QAccessible::registerAccessibleInterface(headerCell));
        QCOMPARE(headers.size(), 1);
        QCOMPARE(header, view.listModel().headerData(column, Qt::Horizontal).toString());
    }
}

void ReportListViewTest::countIsExactInsideHandlers()
{
    CatalogueService service({u"--songs"_s, u"100"_s, u"--per-page"_s, u"20"_s, u"--delay-page"_s,
                              u"3:100"_s, u"--delay-page"_s, u"5:100"_s, u"--media-seconds"_s,
                              u"0.5"_s});
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    const SongListModel &view = window.songs();

    // A handler running while the run waits for a page sees every row appended so far, shown
    // or not
    QList<int> wrongCounts;
    int checks = 0;
    int expected = 0;
    QObject::connect(&window.app().loader(), &SongListLoader::progress,
                     [&expected](const QString &, int, int rows) { expected = rows; });
    QTimer handler;
    QObject::connect(&handler, &QTimer::timeout, [&] {
        if (!window.listRunning())
            return;
        ++checks;
        if (view.size() != expected || view.row(expected - 1).text.isEmpty() != (expected == 0))
            wrongCounts.append(view.size());
    });
    handler.start(2);
    QVERIFY(window.load());
    QVERIFY(checks > 10);
    QCOMPARE(wrongCounts, QList<int>());
    QCOMPARE(view.size(), 100);
}

void ReportListViewTest::progressTextsAppearInOrder()
{
    CatalogueService service({u"--songs"_s, u"80"_s, u"--per-page"_s, u"20"_s, u"--delay-page"_s,
                              u"2:80"_s, u"--delay-page"_s, u"3:80"_s, u"--delay-page"_s, u"4:80"_s,
                              u"--media-seconds"_s, u"0.5"_s});
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    QVERIFY(window.show());
    const QLabel *const panel = window.status()->panel(1);

    // What panel 1 shows, as a user would see it change
    QStringList shown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (shown.value(shown.size() - 1) != panel->text())
            shown.append(panel->text());
    });
    watch.start(2);
    QVERIFY(window.load());
    QTRY_COMPARE(panel->text(), u"搜索结束"_s);
    watch.stop();

    shown.removeIf([](const QString &text) { return !text.startsWith(u"共"_s); });
    QCOMPARE(shown,
             (QStringList {u"共4页,正在查找第2页资源信息。"_s, u"共4页,正在查找第3页资源信息。"_s,
                           u"共4页,正在查找第4页资源信息。"_s}));
}

// The play mark and the error marks are icons of the first cell, which keeps its text; a failed
// row's reason is its tooltip; the marks go with the rows
void ReportListViewTest::marksBesideTheFirstCell()
{
    List list;
    list.songs.appendRows(page(1, 3));
    const SongListModel &model = list.view.listModel();
    // The view takes in stored rows once per frame
    QTRY_COMPARE(model.rowCount(), 3);
    const auto icon = [&](int row, int column = 0) {
        return model.index(row - 1, column).data(Qt::DecorationRole).value<QIcon>().cacheKey();
    };
    QCOMPARE(icon(1), QIcon().cacheKey());

    list.songs.setPlayMark(1);
    const qint64 playing = icon(2);
    QVERIFY(playing != QIcon().cacheKey());
    QCOMPARE(model.index(1, 0).data().toString(), u"歌2"_s + kPad);
    QCOMPARE(icon(2, 1), QIcon().cacheKey());
    list.songs.setPlayMark(2);
    QCOMPARE(icon(2), QIcon().cacheKey());
    QCOMPARE(icon(3), playing);
    QCOMPARE(list.songs.playMark(), 2);

    // A failed row shows its error mark even while it is tried again
    list.songs.setErrorMark(2, u"无法播放该媒体"_s);
    QVERIFY(icon(3) != playing && icon(3) != QIcon().cacheKey());
    QCOMPARE(model.index(2, 0).data(Qt::ToolTipRole).toString(), u"无法播放该媒体"_s);
    QVERIFY(model.index(2, 1).data(Qt::ToolTipRole).isNull());

    list.songs.clear();
    list.songs.appendRows(page(1, 3));
    QTRY_COMPARE(model.rowCount(), 3);
    QCOMPARE(list.songs.playMark(), -1);
    QCOMPARE(icon(3), QIcon().cacheKey());
    QVERIFY(model.index(2, 0).data(Qt::ToolTipRole).isNull());
}

// A title of millions of characters is painted and measured by what a cell can show of it
void ReportListViewTest::hugeTitleShowsItsPrefix()
{
    LongestText delegate;
    List list;
    list.view.setItemDelegate(&delegate);
    const QString title = u"夜曲"_s.repeated(1'000'000);
    list.songs.appendRows({row(u"歌1"_s, u"S-1"_s, u"1"_s), row(title, u"S-2"_s, u"2"_s)});
    list.view.fitColumnToContent(0);
    list.view.grab();

    QVERIFY(delegate.longest > 0);
    QVERIFY(delegate.longest <= ShownPrefix::kLength + 1);
    const QString shown = list.view.listModel().index(1, 0).data().toString();
    QVERIFY(shown.endsWith(u"…"_s));
    QVERIFY(title.startsWith(shown.chopped(1)));
    QVERIFY(list.view.columnWidth(0) <= list.view.fontMetrics().horizontalAdvance(shown) + 12);
}

// Whatever the typed text selects, at either end of the list or of the view, its box stays
// shown in the list's bottom-right corner
void ReportListViewTest::typeAheadBoxKeepsItsCorner()
{
    List list;
    list.songs.appendRows(page(1, 100));
    list.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));
    const TypeAheadBox &box = list.view.typeAheadBox();
    const auto inCorner = [&] {
        const QRect area = list.view.viewport()->rect();
        const QRect at = box.geometry();
        // Less than half its height from the corner: a row's height away is out of place
        return box.isVisible() && area.contains(at) && area.bottom() - at.bottom() < at.height() / 2
            && area.right() - at.right() < at.height() / 2;
    };

    list.view.selectRow(88);
    list.view.keyboardSearch(u"歌"_s);
    QCOMPARE(list.view.currentIndex().row(), 89);
    QVERIFY(inCorner());
    // Each Down goes one row past the bottom of the view, and the eleventh round to the top
    for (int step = 1; step <= 12; ++step) {
        QTest::keyClick(&list.view, Qt::Key_Down);
        QVERIFY2(inCorner(), qPrintable(u"step %1"_s.arg(step)));
    }
    QCOMPARE(list.view.currentIndex().row(), 1);
}

// A text too long for its panel ends in "…" there, and the panel's tooltip gives it whole
void ReportListViewTest::panelTextsFitTheirPanels()
{
    StatusBarWidget bar;
    bar.resize(450, 20);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    const QLabel &panel = *bar.panel(1);
    const QString whole = u"正在分析数据，请稍候。。当前已经找到：2000条资源"_s.repeated(2);

    for (const QString &text : {u"搜索结束"_s, whole}) {
        bar.setPanelText(1, text);
        QTRY_VERIFY(panel.text() == text || panel.text().endsWith(u"…"_s));
        QVERIFY(panel.fontMetrics().horizontalAdvance(panel.text())
                <= panel.contentsRect().width());
        const bool cut = panel.text() != text;
        QCOMPARE(cut, text == whole);
        QVERIFY(text.startsWith(cut ? panel.text().chopped(1) : panel.text()));
        QCOMPARE(panel.toolTip().contains(text), cut);
    }
}

QTEST_MAIN(ReportListViewTest)
#include "test_reportlistview.moc"
