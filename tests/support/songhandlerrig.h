#pragma once

#include "catalogueservice.h"
#include "fakes.h"
#include "links/linkresolver.h"
#include "net/textfetcher.h"
#include "net/urltexts.h"
#include "playback/songhandlers.h"

#include <QNetworkAccessManager>

// The song handlers wired, as the window wires them, to fakes of the window's controls and to a
// stand-in service of their own that serves `catalogueJson`
struct SongHandlerRig {
    explicit SongHandlerRig(const QByteArray &catalogueJson)
        : service({}, catalogueJson), urls(service.base())
    {
        QObject::connect(&handlers, &SongHandlers::downloadRequested, &handlers,
                         [this](const QString &address) { downloads.append(address); });
    }

    CatalogueService service;
    UrlTexts urls;
    QNetworkAccessManager network;
    TextFetcher fetcher {network};
    LinkResolver links {fetcher, urls};
    FakeReportList list;
    FakeTextBox text2, text3, text4, text5, text6;
    FakeMediaPlayer media;
    SongHandlers handlers {list, {text2, text3, text4, text5, text6}, media, links};
    // The addresses the handlers asked to download
    QStringList downloads;
};
