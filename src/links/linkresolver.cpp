#include "linkresolver.h"

#include "backgroundlist.h"

#include "common/failure.h"
#include "net/requestforms.h"
#include "net/textfetcher.h"
#include "net/urlencoding.h"
#include "net/urltexts.h"

using namespace Qt::StringLiterals;

LinkResolver::LinkResolver(TextFetcher &fetcher, const UrlTexts &urls)
    : m_fetcher(fetcher), m_urls(urls)
{
}

QString LinkResolver::ResolveSongLink(const QString &id)
{
    return m_urls.serviceBase() + EncodeUrl(fetchPath(id));
}

QString LinkResolver::ResolveSongLinkRaw(const QString &id)
{
    return m_urls.serviceBase() + fetchPath(id);
}

QString LinkResolver::FetchBackgroundTrack()
{
    const QString body
        = m_fetcher.FetchText(m_urls.serviceBase() + RequestForms::kBackgroundListPath, u"utf-8"_s);
    return ResolveSongLink(CutBackgroundId(body));
}

QString LinkResolver::fetchPath(const QString &id)
{
    QString path = m_fetcher.FetchText(m_urls.text(UrlTexts::SongAddress) + id, u"Utf-8"_s);
    // The path is appended to the service base. Anything but an absolute path would move the
    // link onto another host ("@evil.example/x", ".evil.example/x"), so such an answer is
    // refused rather than played or downloaded.
    if (!path.isEmpty() && !path.startsWith(u'/'))
        throw Failure(u"歌曲地址无效：服务返回的不是站内路径"_s);
    return path;
}
