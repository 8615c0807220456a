#include "urltexts.h"

using namespace Qt::StringLiterals;

UrlTexts::UrlTexts(QString serviceBase) : m_serviceBase(std::move(serviceBase)) { }

QString UrlTexts::text(Key key) const
{
    switch (key) {
    case SearchFirstPage:
        return m_serviceBase + "/data/?1=1&searchkey="_L1;
    case SongAddress:
        return m_serviceBase + "/data/?act=getonemusic&id="_L1;
    case ListPagePrefix:
        return m_serviceBase + "/data/?1=1&classid=1&page="_L1;
    case ListPageSuffix:
        return u"&act=getmusiclist&rnd=0.12313641141171777"_s;
    case DefaultListFirstPage:
        return m_serviceBase + "/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802"_L1;
    default:
        return {};
    }
}
