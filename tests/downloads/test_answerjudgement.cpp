// What a download makes of an answer's status and headers, for what it asked

#include "downloads/answerjudgement.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(AnswerHeaders)
Q_DECLARE_METATYPE(AnswerVerdict)

using Action = AnswerVerdict::Action;
using Cause = AnswerVerdict::Cause;

namespace {

AnswerHeaders answer(int status, const QByteArray &contentRange = {}, const QByteArray &etag = {},
                     qint64 length = -1)
{
    AnswerHeaders headers;
    headers.status = status;
    headers.contentRange = contentRange;
    headers.etag = etag;
    headers.contentLength = length;
    return headers;
}

AnswerVerdict verdict(Action action, Cause cause = Cause::None, const QString &reason = {})
{
    AnswerVerdict result;
    result.action = action;
    result.cause = cause;
    result.reason = reason;
    return result;
}

AnswerVerdict taken(qint64 offset, qint64 end, qint64 total, const QByteArray &validator,
                    bool changed)
{
    AnswerVerdict result = verdict(Action::Take);
    result.offset = offset;
    result.end = end;
    result.total = total;
    result.validator = validator;
    result.validatorChanged = changed;
    return result;
}

} // namespace

class AnswerJudgementTest : public QObject {
    Q_OBJECT

private slots:
    void answersAreTakenForWhatTheySay_data();
    void answersAreTakenForWhatTheySay();
};

void AnswerJudgementTest::answersAreTakenForWhatTheySay_data()
{
    QTest::addColumn<qint64>("offset"); // of the range asked for; 0: the whole file
    QTest::addColumn<QByteArray>("kept"); // the version the data kept belongs to
    QTest::addColumn<AnswerHeaders>("answer");
    QTest::addColumn<AnswerVerdict>("expected");

    const QByteArray v1 = "\"v1\"";
    const QByteArray v2 = "\"v2\"";

    // A whole file replaces the data kept, and names its version, or none
    QTest::newRow("200") << 0LL << QByteArray() << answer(200, {}, v1, 500)
                         << taken(0, 500, 500, v1, true);
    QTest::newRow("200 without a length")
        << 0LL << v1 << answer(200, {}, v1) << taken(0, -1, -1, v1, false);
    QTest::newRow("200 to a range")
        << 1000LL << v1 << answer(200, {}, {}, 500) << taken(0, 500, 500, {}, true);
    QTest::newRow("200 with a weak tag")
        << 0LL << QByteArray() << answer(200, {}, "W/\"w\"", 500) << taken(0, 500, 500, {}, false);
    AnswerHeaders dated = answer(200, {}, "W/\"w\"", 500);
    dated.lastModified = " Tue, 01 Dec 2026 10:00:00 GMT ";
    QTest::newRow("200 dated") << 0LL << QByteArray() << dated
                               << taken(0, 500, 500, "Tue, 01 Dec 2026 10:00:00 GMT", true);

    // A slice goes on from the data kept, and only the slice asked for
    QTest::newRow("206 as asked") << 1000LL << v1 << answer(206, "bytes 1000-1999/5000", v1)
                                  << taken(1000, 2000, 5000, v1, false);
    QTest::newRow("206 of unknown size")
        << 1000LL << v1 << answer(206, "bytes 1000-1999/*") << taken(1000, 2000, -1, v1, false);
    QTest::newRow("206 names the version first")
        << 1000LL << QByteArray() << answer(206, "bytes 1000-4999/5000", v1)
        << taken(1000, 5000, 5000, v1, true);
    QTest::newRow("206 unasked") << 0LL << QByteArray() << answer(206, "bytes 0-1999/5000")
                                 << verdict(Action::Refuse, Cause::None,
                                            u"服务器只发来文件的一部分，而没有请求部分"_s);
    QTest::newRow("206 from another byte") << 1000LL << v1 << answer(206, "bytes 0-1999/5000")
                                           << verdict(Action::StartOver, Cause::RangeNotSent);
    QTest::newRow("206 ending before it starts")
        << 1000LL << v1 << answer(206, "bytes 1000-999/5000")
        << verdict(Action::StartOver, Cause::RangeNotSent);
    QTest::newRow("206 past the end") << 1000LL << v1 << answer(206, "bytes 1000-5000/5000")
                                      << verdict(Action::StartOver, Cause::RangeNotSent);
    QTest::newRow("206 without a range")
        << 1000LL << v1 << answer(206) << verdict(Action::StartOver, Cause::RangeNotSent);
    QTest::newRow("206 with a malformed range")
        << 1000LL << v1 << answer(206, "bytes=1000-1999/5000")
        << verdict(Action::StartOver, Cause::RangeNotSent);
    QTest::newRow("206 of another version")
        << 1000LL << v1 << answer(206, "bytes 1000-1999/5000", v2)
        << verdict(Action::StartOver, Cause::FileChanged);

    // Nothing from where the data ends
    QTest::newRow("416 at the end")
        << 5000LL << v1 << answer(416, "bytes */5000") << verdict(Action::Complete);
    QTest::newRow("416 short of the end")
        << 6000LL << v1 << answer(416, "bytes */5000") << verdict(Action::StartOver);
    QTest::newRow("416 without a size")
        << 5000LL << v1 << answer(416) << verdict(Action::StartOver);
    QTest::newRow("416 unasked") << 0LL << QByteArray() << answer(416, "bytes */5000")
                                 << verdict(Action::Refuse, Cause::None, u"服务器返回错误 416"_s);

    // Anything else is no download
    QTest::newRow("404") << 0LL << QByteArray() << answer(404, {}, {}, 20)
                         << verdict(Action::Refuse, Cause::None, u"服务器返回错误 404"_s);
    QTest::newRow("204") << 1000LL << v1 << answer(204)
                         << verdict(Action::Refuse, Cause::None,
                                    u"服务器的回答无法下载（状态 204）"_s);
    QTest::newRow("302") << 0LL << QByteArray() << answer(302)
                         << verdict(Action::Refuse, Cause::None,
                                    u"服务器的回答无法下载（状态 302）"_s);
}

void AnswerJudgementTest::answersAreTakenForWhatTheySay()
{
    QFETCH(const qint64, offset);
    QFETCH(const QByteArray, kept);
    QFETCH(const AnswerHeaders, answer);
    QFETCH(const AnswerVerdict, expected);

    const AnswerVerdict verdict = judgeAnswer({offset, kept}, answer);
    QCOMPARE(verdict.action, expected.action);
    QCOMPARE(verdict.cause, expected.cause);
    QCOMPARE(verdict.reason, expected.reason);
    QVERIFY(verdict == expected);
}

QTEST_GUILESS_MAIN(AnswerJudgementTest)
#include "test_answerjudgement.moc"
