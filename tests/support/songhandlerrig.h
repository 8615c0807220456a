#pragma once

#include "catalogueservice.h"
#include "fakes.h"
#include "links/linkresolver.h"
#include "net/serviceurls.h"
#include "net/textfetcher.h"
#include "playback/songhandlers.h"
#include "songlist/songlistmodel.h"

#include <QNetworkAccessManager>

// The song handlers wired, as the program wires them, to the song list, to fakes of the player
// and of the downloads, and to a stand-in service of their own that serves `catalogueJson`. What
// the handlers show is kept under the names of the window's boxes.
struct SongHandlerRig {
    explicit SongHandlerRig(const QByteArray &catalogueJson)
        : service({}, catalogueJson), urls(service.base())
    {
        QObject::connect(&handlers, &SongHandlers::songShown, [this](const SongRow &row) {
            titleBox = row.text;
            serialBox = row.subItem(1);
            songIdBox = row.subItem(2);
        });
        QObject::connect(&handlers, &SongHandlers::linkShown,
                         [this](const QString &link) { linkBox = link; });
        QObject::connect(&handlers, &SongHandlers::rawLinkShown,
                         [this](const QString &link) { rawLinkBox = link; });
        QObject::connect(&handlers, &SongHandlers::downloadRequested, &handlers,
                         [this](const QString &address) { downloads.append(address); });
    }

    // Rows appended as a run appends them
    void addRows(const QList<SongRow> &rows)
    {
        list.appendRows(rows);
        list.showStoredRows();
    }

    CatalogueService service;
    ServiceUrls urls;
    QNetworkAccessManager network;
    TextFetcher fetcher {network};
    LinkResolver links {fetcher, urls};
    SongListModel list;
    QString titleBox, serialBox, songIdBox, linkBox, rawLinkBox;
    FakeMediaPlayer media;
    SongHandlers handlers {list, media, links};
    // The addresses the handlers asked to download
    QStringList downloads;
};
