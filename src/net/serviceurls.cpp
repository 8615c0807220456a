#include "serviceurls.h"

using namespace Qt::StringLiterals;

namespace {

// The first page of a list goes without a page number; each list form has its own ending
constexpr auto kListPath = "/data/?1=1"_L1;
constexpr auto kDefaultClass = "&classid=1"_L1;
constexpr auto kSearchKey = "&searchkey="_L1;
constexpr auto kPageKey = "&page="_L1;
constexpr auto kDefaultListFirstEnd = "&act=getmusiclist&rnd=0.12830016091693802"_L1;
constexpr auto kDefaultListPageEnd = "&act=getmusiclist&rnd=0.12313641141171777"_L1;
constexpr auto kSearchEnd = "&act=getmusiclist&rnd=0.6578650244507076"_L1;
constexpr auto kSongAddressPath = "/data/?act=getonemusic&id="_L1;
constexpr auto kBackgroundListPath = "/data/?act=getbglist"_L1;

} // namespace

ServiceUrls::ServiceUrls(QString serviceBase) : m_serviceBase(std::move(serviceBase)) { }

QString ServiceUrls::defaultList(qint32 page) const
{
    const QString url = m_serviceBase + kListPath + kDefaultClass;
    if (page <= 1)
        return url + kDefaultListFirstEnd;
    return url + kPageKey + QString::number(page) + kDefaultListPageEnd;
}

QString ServiceUrls::search(const QString &encodedKeyword, qint32 page) const
{
    const QString url = m_serviceBase + kListPath + kSearchKey + encodedKeyword;
    if (page <= 1)
        return url + kSearchEnd;
    return url + kPageKey + QString::number(page) + kSearchEnd;
}

QString ServiceUrls::songAddress(const QString &id) const
{
    return m_serviceBase + kSongAddressPath + id;
}

QString ServiceUrls::onService(const QString &path) const
{
    return m_serviceBase + path;
}

QString ServiceUrls::backgroundList() const
{
    return m_serviceBase + kBackgroundListPath;
}
