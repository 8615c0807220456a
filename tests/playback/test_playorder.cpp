#include "playback/playorder.h"

#include <QTest>

#include <algorithm>

namespace {

enum class Step { End, Next, Previous };

// Plays `count` rows from `first` in `mode`, taking `step` again and again: the rows tried, dead
// ones included, as far as `steps` rows or the 0 at which the list stops. A dead row fails as
// its link is asked for, and the list goes past it.
QList<int> play(PlayMode mode, int count, int first, Step step, const QList<int> &dead, int steps)
{
    PlayOrder order;
    order.setMode(mode, first, count);
    QList<int> rows;
    int current = first;
    while (rows.size() < steps) {
        if (step != Step::End)
            order.reset();
        int row = step == Step::End ? order.afterEnd(current, current, count)
            : step == Step::Next    ? order.next(current, count)
                                    : order.previous(current, count);
        while (row != 0 && dead.contains(row)) {
            rows.append(row);
            row = order.failed(row, count);
        }
        rows.append(row);
        if (row == 0)
            break;
        order.loaded(row, count);
        order.playing(row);
        current = row;
    }
    return rows;
}

} // namespace

class PlayOrderTest : public QObject {
    Q_OBJECT

private slots:
    void nextAndPrevious_data();
    void nextAndPrevious();
    void failuresStopAtTheLimitOrAfterOneRound_data();
    void failuresStopAtTheLimitOrAfterOneRound();
    void aSongThatPlaysStartsTheCountOver();
    void aSongThatFailsAsItBeginsDidNotPlay_data();
    void aSongThatFailsAsItBeginsDidNotPlay();
    void eachModesOrder_data();
    void eachModesOrder();
    void shuffleRounds_data();
    void shuffleRounds();
    void shuffleFollowsTheList();
};

void PlayOrderTest::nextAndPrevious_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("next");
    QTest::addColumn<int>("previous");

    QTest::newRow("middle row") << 3 << 5 << 4 << 2;
    QTest::newRow("first row") << 1 << 5 << 2 << 5;
    QTest::newRow("last row") << 5 << 5 << 1 << 4;
    QTest::newRow("no row playing") << 0 << 5 << 1 << 5;
    QTest::newRow("one row") << 1 << 1 << 1 << 1;
    QTest::newRow("a row of a longer list before") << 9 << 5 << 1 << 5;
    QTest::newRow("empty list") << 0 << 0 << 0 << 0;
}

void PlayOrderTest::nextAndPrevious()
{
    QFETCH(const int, current);
    QFETCH(const int, count);
    QTEST(PlayOrder::nextRow(current, count), "next");
    QTEST(PlayOrder::previousRow(current, count), "previous");
}

void PlayOrderTest::failuresStopAtTheLimitOrAfterOneRound_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    // The rows tried after the first failure, each failing in turn; the last 0 is giving up
    QTest::addColumn<QList<int>>("tried");

    QTest::newRow("five in a row") << 3 << 10 << QList<int> {4, 5, 6, 7, 0};
    QTest::newRow("past the last row") << 8 << 10 << QList<int> {9, 10, 1, 2, 0};
    QTest::newRow("round a short list") << 2 << 3 << QList<int> {3, 1, 0};
    QTest::newRow("from the background track") << 0 << 3 << QList<int> {1, 2, 3, 0};
    QTest::newRow("a list of one") << 1 << 1 << QList<int> {0};
}

void PlayOrderTest::failuresStopAtTheLimitOrAfterOneRound()
{
    QFETCH(const int, first);
    QFETCH(const int, count);
    QFETCH(const QList<int>, tried);
    PlayOrder order;
    QList<int> rows {order.failed(first, count)};
    while (rows.last() != 0)
        rows.append(order.failed(rows.last(), count));
    QCOMPARE(rows, tried);
    QCOMPARE(order.failures(), int(tried.size()));
}

void PlayOrderTest::aSongThatPlaysStartsTheCountOver()
{
    PlayOrder order;
    for (int row = 1; row <= 4; ++row)
        QCOMPARE(order.failed(row, 10), row + 1);
    order.reset();
    // Row 2 failed before the reset: it is tried again, and four more failures are allowed
    QCOMPARE(order.failed(1, 10), 2);
    QCOMPARE(order.failures(), 1);
    // Row 2 plays to its end, and the row the list goes on with fails: a new run of failures
    order.playing(2);
    QCOMPARE(order.failed(1, 2), 2);
    QCOMPARE(order.failures(), 1);
}

void PlayOrderTest::aSongThatFailsAsItBeginsDidNotPlay_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    // The rows that begin to play before they fail; the others fail before that
    QTest::addColumn<QList<int>>("begin");
    // The rows tried after the first, each failing in turn; the last 0 is giving up
    QTest::addColumn<QList<int>>("tried");

    QTest::newRow("both of two, from the last") << 2 << 2 << QList<int> {2} << QList<int> {1, 0};
    QTest::newRow("from the middle") << 2 << 3 << QList<int> {2} << QList<int> {3, 1, 0};
    QTest::newRow("from the last") << 3 << 3 << QList<int> {3} << QList<int> {1, 2, 0};
    QTest::newRow("every row begins") << 2 << 3 << QList<int> {1, 2, 3} << QList<int> {3, 1, 0};
    QTest::newRow("the next row begins") << 1 << 3 << QList<int> {2} << QList<int> {2, 3, 0};
}

// Once round is each row at most once from where the user started
void PlayOrderTest::aSongThatFailsAsItBeginsDidNotPlay()
{
    QFETCH(const int, first);
    QFETCH(const int, count);
    QFETCH(const QList<int>, begin);
    QFETCH(const QList<int>, tried);
    PlayOrder order;
    QList<int> rows {first};
    while (rows.last() != 0) {
        if (begin.contains(rows.last()))
            order.playing(rows.last());
        rows.append(order.failed(rows.last(), count));
    }
    QCOMPARE(rows.mid(1), tried);
    QCOMPARE(order.failures(), int(tried.size()));
}

void PlayOrderTest::eachModesOrder_data()
{
    QTest::addColumn<PlayMode>("mode");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("first");
    QTest::addColumn<Step>("step");
    QTest::addColumn<QList<int>>("dead");
    QTest::addColumn<QList<int>>("rows");

    using enum PlayMode;
    const QList<int> none;
    const QList<int> allButOne {2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::newRow("default: a middle row again")
        << Default << 4 << 2 << Step::End << none << QList<int> {2, 2};
    QTest::newRow("default: row 1 after the last, again")
        << Default << 4 << 4 << Step::End << none << QList<int> {1, 1};
    QTest::newRow("default: past a dead row 1")
        << Default << 4 << 4 << Step::End << QList<int> {1} << QList<int> {1, 2, 2};
    QTest::newRow("default: next")
        << Default << 4 << 3 << Step::Next << none << QList<int> {4, 1, 2};
    QTest::newRow("default: previous")
        << Default << 4 << 2 << Step::Previous << none << QList<int> {1, 4, 3};
    QTest::newRow("sequential: stops after the last")
        << Sequential << 4 << 2 << Step::End << none << QList<int> {3, 4, 0};
    QTest::newRow("sequential: from no row")
        << Sequential << 3 << 0 << Step::End << none << QList<int> {1, 2, 3, 0};
    QTest::newRow("sequential: a dead last row")
        << Sequential << 4 << 2 << Step::End << QList<int> {4} << QList<int> {3, 4, 0};
    QTest::newRow("sequential: next")
        << Sequential << 4 << 3 << Step::Next << none << QList<int> {4, 0};
    QTest::newRow("sequential: previous")
        << Sequential << 4 << 2 << Step::Previous << none << QList<int> {1, 0};
    QTest::newRow("sequential: five dead rows")
        << Sequential << 10 << 1 << Step::End << allButOne << QList<int> {2, 3, 4, 5, 6, 0};
    QTest::newRow("list loop: row 1 after the last")
        << ListLoop << 4 << 3 << Step::End << none << QList<int> {4, 1, 2, 3};
    QTest::newRow("list loop: past a dead row 1")
        << ListLoop << 4 << 3 << Step::End << QList<int> {1} << QList<int> {4, 1, 2, 3};
    QTest::newRow("list loop: previous")
        << ListLoop << 4 << 1 << Step::Previous << none << QList<int> {4, 3};
    QTest::newRow("list loop: five dead rows")
        << ListLoop << 10 << 1 << Step::End << allButOne << QList<int> {2, 3, 4, 5, 6, 0};
    QTest::newRow("track loop: the same row")
        << TrackLoop << 4 << 3 << Step::End << none << QList<int> {3, 3, 3};
    QTest::newRow("track loop: row 1 after no row")
        << TrackLoop << 4 << 0 << Step::End << none << QList<int> {1, 1};
    QTest::newRow("track loop: past a dead row to the next, which loops")
        << TrackLoop << 4 << 0 << Step::End << QList<int> {1} << QList<int> {1, 2, 2};
    QTest::newRow("track loop: next goes through the list")
        << TrackLoop << 4 << 4 << Step::Next << none << QList<int> {1, 2};
    QTest::newRow("track loop: five dead rows")
        << TrackLoop << 10 << 1 << Step::Next << allButOne << QList<int> {2, 3, 4, 5, 6, 0};
    QTest::newRow("shuffle of two: the other row each time")
        << Shuffle << 2 << 1 << Step::End << none << QList<int> {2, 1, 2, 1};
    QTest::newRow("shuffle of two: past a dead row")
        << Shuffle << 2 << 1 << Step::Next << QList<int> {2} << QList<int> {2, 1, 2, 1};
    QTest::newRow("shuffle of one") << Shuffle << 1 << 0 << Step::End << none << QList<int> {1, 1};
}

void PlayOrderTest::eachModesOrder()
{
    QFETCH(const PlayMode, mode);
    QFETCH(const int, count);
    QFETCH(const int, first);
    QFETCH(const Step, step);
    QFETCH(const QList<int>, dead);
    QFETCH(const QList<int>, rows);
    QCOMPARE(play(mode, count, first, step, dead, int(rows.size())), rows);
}

void PlayOrderTest::shuffleRounds_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("3 rows") << 3;
    QTest::newRow("7 rows") << 7;
    QTest::newRow("200 rows") << 200;
}

// Each round plays every row once, the next round does not begin with the row that ended the
// last, and previous goes back through the rows that played, next forward again
void PlayOrderTest::shuffleRounds()
{
    QFETCH(const int, count);
    PlayOrder order;
    order.setMode(PlayMode::Shuffle, 0, count);
    QList<int> played;
    for (int round = 0; round < 3; ++round) {
        QList<int> rows;
        for (int k = 0; k < count; ++k)
            rows.append(order.afterEnd(0, 0, count));
        if (!played.isEmpty())
            QVERIFY(rows.first() != played.last());
        played = rows;
        std::sort(rows.begin(), rows.end());
        for (int k = 0; k < count; ++k)
            QCOMPARE(rows.at(k), k + 1);
    }
    for (int k = count - 2; k >= 0; --k)
        QCOMPARE(order.previous(0, count), played.at(k));
    QCOMPARE(order.previous(0, count), 0);
    for (int k = 1; k < count; ++k)
        QCOMPARE(order.next(0, count), played.at(k));
}

// Rows the user chose count as played; rows appended join the round; a new list starts over;
// dead rows are gone past up to the limit
void PlayOrderTest::shuffleFollowsTheList()
{
    PlayOrder order;
    order.setMode(PlayMode::Shuffle, 3, 4);
    order.loaded(1, 4);
    QList<int> rows {order.next(1, 4), order.next(0, 4)};
    order.listReplaced();
    QList<int> grown {order.next(0, 2), order.next(0, 2)};
    for (int k = 0; k < 4; ++k)
        grown.append(order.next(0, 6));
    std::sort(rows.begin(), rows.end());
    std::sort(grown.begin(), grown.end());
    QCOMPARE(rows, (QList<int> {2, 4}));
    QCOMPARE(grown, (QList<int> {1, 2, 3, 4, 5, 6}));

    // Rows 1 to 6 have played in this round
    QList<int> tried {order.failed(1, 100)};
    while (tried.last() != 0) {
        QVERIFY(tried.last() > 6);
        tried.append(order.failed(tried.last(), 100));
    }
    QCOMPARE(tried.size(), PlayOrder::kFailureLimit);
    QCOMPARE(order.failures(), PlayOrder::kFailureLimit);
}

QTEST_MAIN(PlayOrderTest)
#include "test_playorder.moc"
