#include "downloadfilename.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString partFilePath(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(u"."_s + info.fileName() + u".part"_s);
}

QString freeFilePath(const QString &directory, const QString &name,
                     const std::function<bool(const QString &path)> &isTaken)
{
    const QDir dir(directory);
    QString path = dir.filePath(name);
    if (!isTaken(path))
        return path;

    const qsizetype dot = name.lastIndexOf(u'.');
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    const QString stem = name.left(name.size() - suffix.size());
    for (int n = 1;; ++n) {
        path = dir.filePath(u"%1 (%2)%3"_s.arg(stem, QString::number(n), suffix));
        if (!isTaken(path))
            return path;
    }
}
