#pragma once

#include "fakes.h"
#include "net/textfetcher.h"
#include "net/urltexts.h"
#include "songlist/searchstate.h"
#include "songlist/songlistloader.h"

#include <QNetworkAccessManager>

// A list loader wired, as the window wires it, to fakes of the window's controls and to a
// test's catalogue service
struct ListRunRig {
    explicit ListRunRig(const QString &serviceBase) : urls(serviceBase) { }

    SearchState state;
    UrlTexts urls;
    QNetworkAccessManager network;
    TextFetcher fetcher {network};
    FakeReportList list;
    FakeStatusPanels status;
    FakeCaption caption;
    FakeDispatch dispatch;
    SongListLoader loader {state, urls, fetcher, list, status, caption, dispatch};
};
