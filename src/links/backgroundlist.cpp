#include "backgroundlist.h"

#include "common/failure.h"

using namespace Qt::StringLiterals;

QString cutBackgroundId(QString body)
{
    body.remove(u'"');
    const qsizetype key = body.indexOf(u"id:");
    if (key < 0)
        throw Failure(u"背景音乐列表无法解析：没有“id:”"_s);
    const qsizetype valueStart = key + 3;
    const qsizetype valueEnd = body.indexOf(u'}', valueStart);
    if (valueEnd < 0)
        throw Failure(u"背景音乐列表无法解析：“id:”之后没有“}”"_s);
    return body.sliced(valueStart, valueEnd - valueStart);
}
