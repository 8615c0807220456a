// Finding a song by typing its pinyin in a long list, in the window against the stand-in service:
// the keys move the selection as the arrow keys do, and ask the service for nothing.

#include "catalogueservice.h"
#include "testwindow.h"
#include "timescale.h"

#include "widgets/reportlistview.h"
#include "widgets/typeaheadbox.h"

#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr int kRows = 200000;
// The rows titled 夜曲, counted from 1
constexpr int kFirstYequ = 10000;
constexpr int kSecondYequ = 70000;
constexpr int kThirdYequ = 150000;
const QString kPad(12, u' ');

QList<SongRow> longList()
{
    QList<SongRow> rows;
    rows.reserve(kRows);
    for (int k = 1; k <= kRows; ++k) {
        const bool yequ = k == kFirstYequ || k == kSecondYequ || k == kThirdYequ;
        rows.append({(yequ ? u"夜曲%1"_s : u"歌%1"_s).arg(k) + kPad, u"S%1"_s.arg(k) + kPad,
                     QString::number(k) + kPad});
    }
    return rows;
}

QStringList dataRequests(const CatalogueService &service)
{
    return service.requestTargets().filter(u"/data/"_s);
}

} // namespace

class ListTypeAheadTest : public QObject {
    Q_OBJECT

private slots:
    void pinyinFindsRowsInALongList();
};

void ListTypeAheadTest::pinyinFindsRowsInALongList()
{
    CatalogueService service({u"--songs"_s, u"5"_s, u"--media-seconds"_s, u"120"_s});
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    QVERIFY(window.load());
    QVERIFY(window.show());
    ReportListView *const list = window.list();
    SongListModel &songs = window.songs();
    const TypeAheadBox &box = list->typeAheadBox();
    songs.clear();
    songs.appendRows(longList());
    window.list()->selectRow(kSecondYequ - 2);
    list->setFocus();
    const QStringList requestsBefore = dataRequests(service);

    QTest::keyClicks(list, u"yq"_s);
    QCOMPARE(window.list()->selectedRow() + 1, kSecondYequ);
    QVERIFY(box.isVisible());
    QCOMPARE(box.text(), u"yq"_s);
    QVERIFY(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));

    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(window.list()->selectedRow() + 1, kThirdYequ);
    QVERIFY(list->viewport()->rect().intersects(list->visualRect(list->currentIndex())));

    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!box.isVisible());
    QCOMPARE(window.list()->selectedRow() + 1, kThirdYequ);

    // A new text starts below the selected row and goes round the end; one that finds nothing
    // says so and leaves the selection
    QTest::keyClicks(list, u"yequz"_s);
    QCOMPARE(window.list()->selectedRow() + 1, kFirstYequ);
    QCOMPARE(box.text(), u"yequz  "_s + TypeAheadBox::kNoMatchHint);
    QCOMPARE(dataRequests(service), requestsBefore);

    // A click elsewhere closes the box, and so does a pause
    QTest::mouseClick(window.box(u"keywordBox"_s), Qt::LeftButton);
    QVERIFY(!box.isVisible());
    list->setFocus();
    QTest::keyClicks(list, u"y"_s);
    QCOMPARE(window.list()->selectedRow() + 1, kSecondYequ);
    QTRY_VERIFY_WITH_TIMEOUT(!box.isVisible(), scaled(TypeAheadBox::kCloseAfter + 2s).count());
}

QTEST_MAIN(ListTypeAheadTest)
#include "test_listtypeahead.moc"
