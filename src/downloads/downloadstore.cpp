#include "downloadstore.h"

#include "common/logging.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

constexpr auto kFolderKey = "downloads/folder"_L1;
constexpr auto kUnfinishedKey = "downloads/unfinished"_L1;
constexpr auto kUrlKey = "url"_L1;
constexpr auto kPathKey = "path"_L1;
constexpr auto kStateKey = "state"_L1;
constexpr auto kReasonKey = "reason"_L1;
constexpr auto kSizeKey = "size"_L1;
constexpr auto kValidatorKey = "validator"_L1;
// How a kept download ended; anything else, as a download that still ran, was cut off
constexpr auto kFailedState = "failed"_L1;
constexpr auto kInterruptedState = "interrupted"_L1;

} // namespace

QList<DownloadStore::Record> DownloadStore::unfinished()
{
    QList<Record> records;
    QSettings settings;
    const int count = settings.beginReadArray(kUnfinishedKey);
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        Record record;
        record.url = QUrl(settings.value(kUrlKey).toString());
        record.path = settings.value(kPathKey).toString();
        if (!record.url.isValid() || record.path.isEmpty())
            continue;
        record.failed = settings.value(kStateKey).toString() == kFailedState;
        record.reason = record.failed ? settings.value(kReasonKey).toString() : QString();
        record.size = settings.value(kSizeKey, -1).toLongLong();
        record.validator = settings.value(kValidatorKey).toByteArray();
        records.append(record);
    }
    settings.endArray();
    return records;
}

void DownloadStore::keepUnfinished(const QList<Record> &records)
{
    QSettings settings;
    settings.remove(kUnfinishedKey);
    settings.beginWriteArray(kUnfinishedKey);
    int index = 0;
    for (const Record &record : records) {
        settings.setArrayIndex(index++);
        settings.setValue(kUrlKey, record.url.toString(QUrl::FullyEncoded));
        settings.setValue(kPathKey, record.path);
        settings.setValue(kStateKey, record.failed ? kFailedState : kInterruptedState);
        settings.setValue(kReasonKey, record.failed ? record.reason : QString());
        settings.setValue(kSizeKey, record.size);
        settings.setValue(kValidatorKey, record.validator);
    }
    settings.endArray();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qCWarning(lcDownloads) << "Unfinished downloads not remembered:" << settings.fileName();
}

QString DownloadStore::saveFolder()
{
    const QString remembered = QSettings().value(kFolderKey).toString();
    if (QFileInfo(remembered).isDir())
        return remembered;
    if (!remembered.isEmpty())
        qCInfo(lcDownloads) << "The folder last saved to is gone:" << remembered;

    for (const auto location : {QStandardPaths::MusicLocation, QStandardPaths::DownloadLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

void DownloadStore::rememberFolder(const QString &folder)
{
    QSettings().setValue(kFolderKey, folder);
}
