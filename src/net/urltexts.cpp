#include "urltexts.h"

UrlTexts::UrlTexts(QString serviceBase) : m_serviceBase(std::move(serviceBase)) { }

QString UrlTexts::text(int key) const
{
    switch (key) {
    case SearchFirstPage:
        return m_serviceBase + QLatin1StringView("/data/?1=1&searchkey=");
    case SongAddress:
        return m_serviceBase + QLatin1StringView("/data/?act=getonemusic&id=");
    case ListPagePrefix:
        return m_serviceBase + QLatin1StringView("/data/?1=1&classid=1&page=");
    case ListPageSuffix:
        return QStringLiteral("&act=getmusiclist&rnd=0.12313641141171777");
    case DefaultListFirstPage:
        return m_serviceBase
            + QLatin1StringView("/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802");
    default:
        return {};
    }
}
