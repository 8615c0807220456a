#include "catalogue.h"

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const std::array kThemes = {u"晚风", u"情歌", u"星空", u"故乡", u"月光", u"雨夜", u"青春", u"远方",
                            u"海边", u"时光", u"花开", u"初雪", u"夏天", u"秋叶", u"老街", u"旅途"};
const std::array kEndings = {u"",     u"之恋",   u"物语", u"往事", u"小夜曲", u"回忆",
                             u"来信", u"的约定", u"与你", u"再见", u"之歌",   u"漫步"};
const std::array kSingers
    = {u"周小雨", u"林夕照", u"陈默", u"李想", u"王晓风", u"苏青", u"赵远", u"何一"};
const std::array kLatinTitles = {u"Blue Night", u"Moonlight Drive", u"Summer Rain", u"Old Road"};

struct Suffix {
    const char16_t *bracketed;
    const char16_t *inPath;
};

// Which 【…】 suffix, if any, song number `index` carries.
std::optional<Suffix> suffixFor(int index)
{
    if (index % 7 == 2)
        return Suffix {u"【现场】", u"现场"};
    if (index % 11 == 5)
        return Suffix {u"【伴奏】", u"伴奏"};
    if (index % 13 == 8)
        return Suffix {u"【DJ版】", u"DJ版"};
    return std::nullopt;
}

} // namespace

Catalogue::Catalogue(QList<Song> songs, int perPage, QStringList backgroundIds)
    : m_songs(std::move(songs)), m_perPage(perPage), m_backgroundIds(std::move(backgroundIds))
{
    m_foldedTitles.reserve(m_songs.size());
    for (qsizetype i = 0; i < m_songs.size(); ++i) {
        const Song &song = m_songs.at(i);
        m_foldedTitles.append(song.title.toCaseFolded());
        // The first of two songs with the same identifier or path wins.
        m_byId.insert(song.id, i);
        m_byPath.insert(song.path, i);
    }
}

QList<Song> Catalogue::demoSongs(int count, int melodyCount)
{
    QList<Song> songs;
    songs.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int number = i + 1;
        const QString id = QString::number(10000 + number);
        QString stem = QString::fromUtf16(kThemes.at(i % kThemes.size()))
            + QString::fromUtf16(kEndings.at((i / kThemes.size()) % kEndings.size()));
        QString title = stem;
        if (i % 50 == 17) {
            stem = title = QString::fromUtf16(kLatinTitles.at((i / 50) % kLatinTitles.size()));
        } else if (i == 28) {
            stem = title = u"Café 夜曲"_s;
        } else if (i == 40) {
            // A character outside the Basic Multilingual Plane; GBK has no code for it, so
            // the media path leaves it out.
            stem = u"微笑"_s;
            title = u"微笑😀"_s;
        }

        QString pathStem = stem;
        if (const auto suffix = suffixFor(i)) {
            // One song keeps a blank before its bracket.
            title += (i == 2 ? u" "_s : QString()) + QString::fromUtf16(suffix->bracketed);
            pathStem += u' ' + QString::fromUtf16(suffix->inPath);
        }

        Song song;
        song.id = id;
        song.title = title;
        song.serial = u"QP-%1"_s.arg(number, 4, 10, QChar(u'0'));
        song.singer = QString::fromUtf16(kSingers.at((i * 5 + 3) % kSingers.size()));
        const int seconds = 150 + (i * 37) % 150;
        song.duration = u"%1:%2"_s.arg(seconds / 60, 2, 10, QChar(u'0'))
                            .arg(seconds % 60, 2, 10, QChar(u'0'));
        song.path = u"/music/%1_%2.wav"_s.arg(pathStem, id);
        song.melody = i % melodyCount;
        songs.append(song);
    }
    return songs;
}

QStringList Catalogue::demoBackground(const QList<Song> &songs)
{
    QStringList ids;
    for (const qsizetype position : {4, 11, 30}) {
        if (position < songs.size())
            ids.append(songs.at(position).id);
    }
    return ids;
}

int Catalogue::pageCount(qsizetype songCount) const
{
    return int((songCount + m_perPage - 1) / m_perPage);
}

const Song *Catalogue::songById(const QString &id) const
{
    const auto found = m_byId.constFind(id);
    return found == m_byId.cend() ? nullptr : &m_songs.at(*found);
}

const Song *Catalogue::songByPath(const QString &path) const
{
    const auto found = m_byPath.constFind(path);
    return found == m_byPath.cend() ? nullptr : &m_songs.at(*found);
}

Catalogue::Matches Catalogue::search(const QString &keyword) const
{
    const QString folded = keyword.toCaseFolded();
    {
        const std::lock_guard lock(m_cacheMutex);
        if (const auto cached = m_searchCache.constFind(folded); cached != m_searchCache.cend())
            return *cached;
    }

    // Searched outside the lock; two threads racing on a new keyword both compute the same list.
    auto matches = std::make_shared<QList<qsizetype>>();
    for (qsizetype i = 0; i < m_foldedTitles.size(); ++i) {
        if (m_foldedTitles.at(i).contains(folded))
            matches->append(i);
    }

    const std::lock_guard lock(m_cacheMutex);
    if (m_searchCache.size() >= kCachedKeywords)
        m_searchCache.clear();
    m_searchCache.insert(folded, matches);
    return matches;
}
