#pragma once

#include "fakes.h"
#include "net/serviceurls.h"
#include "net/textfetcher.h"
#include "songlist/songlistloader.h"

#include <QNetworkAccessManager>

// A list loader wired, as the window wires it, to fakes of the window's controls and to a
// test's catalogue service
struct ListRunRig {
    explicit ListRunRig(const QString &serviceBase) : urls(serviceBase) { }

    ServiceUrls urls;
    QNetworkAccessManager network;
    TextFetcher fetcher {network};
    FakeReportList list;
    SongListLoader loader {urls, fetcher, list};
};
