#include "answerjudgement.h"

#include <QRegularExpression>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kOk = 200;
constexpr int kPartialContent = 206;
constexpr int kRangeNotSatisfiable = 416;
constexpr int kFirstErrorStatus = 400;

// "Content-Range: bytes FIRST-LAST/TOTAL", or "bytes */TOTAL" in a 416; -1 for a part not given
struct ContentRange {
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1;
};

std::optional<ContentRange> contentRange(const QByteArray &header)
{
    static const QRegularExpression form(
        uR"(^bytes\s+(?:(\d{1,18})-(\d{1,18})|\*)/(?:(\d{1,18})|\*)$)"_s);
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(header.trimmed()));
    if (!match.hasMatch())
        return std::nullopt;
    ContentRange range;
    if (match.hasCaptured(1)) {
        range.first = match.captured(1).toLongLong();
        range.last = match.captured(2).toLongLong();
    }
    if (match.hasCaptured(3))
        range.total = match.captured(3).toLongLong();
    return range;
}

// The version of the file that an answer names: a strong ETag, else its Last-Modified date.
// A weak ETag may not be used with If-Range.
QByteArray validatorOf(const AnswerHeaders &answer)
{
    const QByteArray tag = answer.etag.trimmed();
    if (!tag.isEmpty() && !tag.startsWith("W/"))
        return tag;
    return answer.lastModified.trimmed();
}

AnswerVerdict verdict(AnswerVerdict::Action action, AnswerVerdict::Cause cause = {})
{
    AnswerVerdict result;
    result.action = action;
    result.cause = cause;
    return result;
}

AnswerVerdict refusal(const QString &reason)
{
    AnswerVerdict result = verdict(AnswerVerdict::Action::Refuse);
    result.reason = reason;
    return result;
}

// A taken answer names the version its data belongs to; a whole file may name none
AnswerVerdict taken(const AskedRange &asked, const AnswerHeaders &answer, qint64 offset, qint64 end,
                    qint64 total)
{
    AnswerVerdict result = verdict(AnswerVerdict::Action::Take);
    result.offset = offset;
    result.end = end;
    result.total = total;
    const QByteArray named = validatorOf(answer);
    result.validatorChanged
        = named != asked.validator && (answer.status == kOk || !named.isEmpty());
    result.validator = result.validatorChanged ? named : asked.validator;
    return result;
}

AnswerVerdict judgeSlice(const AskedRange &asked, const AnswerHeaders &answer)
{
    if (asked.offset <= 0)
        return refusal(u"服务器只发来文件的一部分，而没有请求部分"_s);
    const std::optional<ContentRange> range = contentRange(answer.contentRange);
    if (!range || range->first != asked.offset || range->last < range->first
        || (range->total >= 0 && range->last >= range->total))
        return verdict(AnswerVerdict::Action::StartOver, AnswerVerdict::Cause::RangeNotSent);
    const QByteArray named = validatorOf(answer);
    if (!named.isEmpty() && !asked.validator.isEmpty() && named != asked.validator)
        return verdict(AnswerVerdict::Action::StartOver, AnswerVerdict::Cause::FileChanged);
    return taken(asked, answer, asked.offset, range->last + 1, range->total);
}

} // namespace

AnswerVerdict judgeAnswer(const AskedRange &asked, const AnswerHeaders &answer)
{
    const int status = answer.status;
    if (status == kOk)
        return taken(asked, answer, 0, answer.contentLength, answer.contentLength);
    if (status == kPartialContent)
        return judgeSlice(asked, answer);
    if (status == kRangeNotSatisfiable && asked.offset > 0) {
        // Nothing from where the data ends: complete when the file ends there too
        const std::optional<ContentRange> range = contentRange(answer.contentRange);
        return verdict(range && range->total == asked.offset ? AnswerVerdict::Action::Complete
                                                             : AnswerVerdict::Action::StartOver);
    }
    return refusal(status >= kFirstErrorStatus ? u"服务器返回错误 %1"_s.arg(status)
                                               : u"服务器的回答无法下载（状态 %1）"_s.arg(status));
}
