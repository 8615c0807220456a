#include "playback/playorder.h"

#include <QTest>

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

QTEST_MAIN(PlayOrderTest)
#include "test_playorder.moc"
