#pragma once

#include "faultrules.h"
#include "song.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A catalogue given as JSON with --catalogue. Every member is optional; what a file leaves out
// comes from the command line or the demo catalogue:
//
//   {
//     "perPage": 20,
//     "songs": [{"id": "1", "title": "晚风【现场】", "serial": "A1",
//                "path": "/music/晚风 现场_1.wav", "singer": "…", "time": "03:12",
//                "media": "intact|truncated|text|missing"}],
//     "background": ["1"],
//     "overrides": [{"act": "getmusiclist", "page": 2, "id": "…", "keyword": "…",
//                    "status": 500, "body": "…", "bodyBase64": "…", "contentType": "…",
//                    "delayMs": 300, "hang": false, "cut": false}]
//   }
//
// --per-page on the command line wins over "perPage". An override matches on the fields it
// names (act, page, id, keyword); one without "body"/"bodyBase64" keeps the regular answer and
// only adds its status, delay, hang or cut. "act" is "media" for the /music/ files, matched by
// song "id".
struct CatalogueFile {
    std::optional<QList<Song>> songs;
    std::optional<int> perPage;
    std::optional<QStringList> background;
    QList<FaultRules::Rule> overrides;

    // Throws std::runtime_error with a readable reason.
    static CatalogueFile read(const QString &fileName, int melodyCount);
};
