#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

// What the downloads keep across runs, in QSettings: the folder last saved to, and the downloads
// not complete, each with how it ended, so that the next run lists them as they were
class DownloadStore {
public:
    // A download not complete
    struct Record {
        QUrl url;
        QString path;
        // Failed, with `reason`; else cut off by the end of the program, as one that still ran
        bool failed = false;
        QString reason;
        // The file's size, -1 while unknown
        qint64 size = -1;
        // The version of the file that the data kept belongs to
        QByteArray validator;

        bool operator==(const Record &) const = default;
    };

    // The downloads the last run left, each with an address and a place
    static QList<Record> unfinished();
    // Replaces what is kept with `records`
    static void keepUnfinished(const QList<Record> &records);

    // The folder the save dialog opens in: the one last saved to while it exists, else the
    // user's music folder, else the download folder, else home.
    static QString saveFolder();
    static void rememberFolder(const QString &folder);
};
