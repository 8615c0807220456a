#pragma once

#include "net/serviceurls.h"
#include "net/textfetcher.h"
#include "songlist/songlistloader.h"
#include "songlist/songlistmodel.h"

#include <QNetworkAccessManager>

// A list loader wired, as the program wires it, to the song list and to a test's catalogue
// service
struct ListRunRig {
    explicit ListRunRig(const QString &serviceBase) : urls(serviceBase) { }

    ServiceUrls urls;
    QNetworkAccessManager network;
    TextFetcher fetcher {network};
    SongListModel list;
    SongListLoader loader {urls, fetcher, list};
};
