#include "linkresolver.h"

#include "common/failure.h"
#include "net/serviceurls.h"
#include "net/textfetcher.h"
#include "net/urlencoding.h"

using namespace Qt::StringLiterals;

LinkResolver::LinkResolver(TextFetcher &fetcher, const ServiceUrls &urls)
    : m_fetcher(fetcher), m_urls(urls)
{
}

LinkLookup *LinkResolver::resolveSongLink(const QString &id, QObject *owner) const
{
    return new LinkLookup(*this, id, LinkLookup::Form::Encoded, owner);
}

LinkLookup *LinkResolver::resolveSongLinkRaw(const QString &id, QObject *owner) const
{
    return new LinkLookup(*this, id, LinkLookup::Form::Raw, owner);
}

LinkLookup *LinkResolver::fetchBackgroundTrack(QObject *owner) const
{
    return new LinkLookup(*this, owner);
}

TextRequest *LinkResolver::fetchPath(const QString &id, QObject *owner) const
{
    return m_fetcher.fetchText(m_urls.songAddress(id), u"Utf-8"_s, owner);
}

TextRequest *LinkResolver::fetchBackgroundList(QObject *owner) const
{
    return m_fetcher.fetchText(m_urls.backgroundList(), u"utf-8"_s, owner);
}

QString LinkResolver::linkFromPath(const QString &path, LinkLookup::Form form) const
{
    // The path is appended to the service base. Anything but an absolute path would move the
    // link onto another host ("@evil.example/x", ".evil.example/x"), so such an answer is
    // refused rather than played or downloaded.
    if (!path.isEmpty() && !path.startsWith(u'/'))
        throw Failure(u"歌曲地址无效：服务返回的不是站内路径"_s);
    return m_urls.onService(form == LinkLookup::Form::Encoded ? encodeUrl(path) : path);
}
