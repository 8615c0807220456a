// Writes the large catalogue that scripts/bench.sh serves: --songs songs, 20 to a page, every title
// holding --keyword, so that one keyword search lists the whole catalogue.

#include "benchoptions.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = BenchOptions::parse(app);
    if (options.songs <= 0 || options.keyword.isEmpty() || options.output.isEmpty()) {
        std::fprintf(stderr, "usage: bench_catalogue --songs N --keyword TEXT --output FILE\n");
        return 2;
    }

    const std::array themes
        = {u"晚风", u"情歌", u"星空", u"故乡", u"月光", u"雨夜", u"青春", u"远方",
           u"海边", u"时光", u"花开", u"初雪", u"夏天", u"秋叶", u"老街", u"旅途"};
    const std::array endings = {u"",     u"之恋",   u"物语", u"往事", u"小夜曲", u"回忆",
                                u"来信", u"的约定", u"与你", u"再见", u"之歌",   u"漫步"};
    QJsonArray songs;
    for (int i = 0; i < options.songs; ++i) {
        QString title = options.keyword + u'·' + QString::fromUtf16(themes.at(i % themes.size()))
            + QString::fromUtf16(endings.at((i / themes.size()) % endings.size()));
        if (i % 7 == 2)
            title += QStringLiteral("【现场】");
        songs.append(QJsonObject {
            {QStringLiteral("id"), QString::number(100000 + i + 1)},
            {QStringLiteral("title"), title},
            {QStringLiteral("serial"), QStringLiteral("QP-%1").arg(i + 1, 6, 10, QLatin1Char('0'))},
        });
    }
    const QJsonObject catalogue {
        {QStringLiteral("perPage"), 20},
        {QStringLiteral("songs"), songs},
        {QStringLiteral("background"), QJsonArray {QStringLiteral("100001")}},
    };

    QFile file(options.output);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(QJsonDocument(catalogue).toJson(QJsonDocument::Compact)) < 0) {
        std::fprintf(stderr, "bench_catalogue: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
