#include "listpagetext.h"

#include <array>

namespace ListPageText {

namespace {

const std::array kThemes = {u"晚风", u"情歌", u"星空", u"故乡", u"月光", u"雨夜", u"青春", u"远方",
                            u"海边", u"时光", u"花开", u"初雪", u"夏天", u"秋叶", u"老街", u"旅途"};
const std::array kEndings = {u"",     u"之恋",   u"物语", u"往事", u"小夜曲", u"回忆",
                             u"来信", u"的约定", u"与你", u"再见", u"之歌",   u"漫步"};
const std::array kSingers
    = {u"周小雨", u"林夕照", u"陈默", u"李想", u"王晓风", u"苏青", u"赵远", u"何一"};

QString title(int index)
{
    QString text = QString::fromUtf16(kThemes.at(index % kThemes.size()))
        + QString::fromUtf16(kEndings.at((index / kThemes.size()) % kEndings.size()));
    if (index % 7 == 2)
        text += QStringLiteral("【现场】");
    else if (index % 11 == 5)
        text += QStringLiteral("【伴奏】");
    return text;
}

} // namespace

QString page(int first, int count, int totalSongs, int perPage)
{
    QString out;
    out.reserve(count * 90 + 64);
    out += QStringLiteral("[{totalrecorder:%1,totalpage:%2}")
               .arg(totalSongs)
               .arg((totalSongs + perPage - 1) / perPage);
    for (int i = 0; i < count; ++i) {
        const int number = first + i;
        const int index = number - 1;
        const int seconds = 150 + (index * 37) % 150;
        out += i % 4 == 3 ? QStringLiteral(",\r\n") : QStringLiteral(",");
        out += QStringLiteral(R"({id:"%1",title:"%2",serial:"QP-%3",singer:"%4",time:"%5:%6"})")
                   .arg(10000 + number)
                   .arg(title(index))
                   .arg(number, 6, 10, QLatin1Char('0'))
                   .arg(QString::fromUtf16(kSingers.at((index * 5 + 3) % kSingers.size())))
                   .arg(seconds / 60, 2, 10, QLatin1Char('0'))
                   .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    out += u']';
    return out;
}

} // namespace ListPageText
