#include "playlistexport.h"

#include "common/logging.h"
#include "links/linkresolver.h"

#include <QSaveFile>
#include <QUrl>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Line and paragraph separators end a line for some players too
bool breaksLine(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator
        || c == QChar::ParagraphSeparator;
}

bool isWebAddress(const QString &link)
{
    const QUrl url(link, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == u"http"_s || url.scheme() == u"https"_s)
        && std::none_of(link.begin(), link.end(), breaksLine);
}

} // namespace

PlaylistExport::PlaylistExport(const LinkResolver &links, QList<SongRow> songs, QString path,
                               QObject *parent)
    : QObject(parent), m_links(links), m_songs(std::move(songs)), m_path(std::move(path))
{
}

QString PlaylistExport::oneLine(const QString &title)
{
    QString line = title.trimmed();
    std::replace_if(line.begin(), line.end(), breaksLine, u' ');
    return line;
}

void PlaylistExport::start()
{
    m_playlist = "#EXTM3U\n";
    askNext();
}

void PlaylistExport::cancel()
{
    if (m_lookup)
        m_lookup->abort();
    m_next = count();
}

void PlaylistExport::askNext()
{
    if (m_next >= count())
        return write();
    m_lookup = m_links.resolveSongLink(m_songs.at(m_next).subItem2, this);
    connect(m_lookup, &LinkLookup::resolved, this, &PlaylistExport::resolved);
    connect(m_lookup, &LinkLookup::failed, this, &PlaylistExport::lookupFailed);
}

void PlaylistExport::resolved(const QString &link)
{
    const QString title = oneLine(m_songs.at(m_next).text);
    if (isWebAddress(link)) {
        m_playlist += u"#EXTINF:-1,%1\n%2\n"_s.arg(title, link).toUtf8();
    } else {
        qCInfo(lcLibrary) << "Not a web address, left out of the playlist:" << link;
        m_leftOut.append(title);
    }
    emit progress(++m_next);
    askNext();
}

void PlaylistExport::lookupFailed()
{
    m_leftOut.append(oneLine(m_songs.at(m_next).text));
    emit progress(++m_next);
    askNext();
}

void PlaylistExport::write()
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_playlist) != m_playlist.size()
        || !file.commit()) {
        qCWarning(lcLibrary) << "Playlist not written:" << m_path << file.errorString();
        emit failed(file.errorString());
        return;
    }
    emit finished(m_leftOut);
}
