#pragma once

#include <QString>
#include <functional>

// The hidden file beside `path` that holds a download's data until it is complete:
// "dir/name.mp3" becomes "dir/.name.mp3.part".
QString partFilePath(const QString &path);

// The path in `directory` for `name`, or for "stem (1).ext", "stem (2).ext"... when isTaken()
// says the path is already in use.
QString freeFilePath(const QString &directory, const QString &name,
                     const std::function<bool(const QString &path)> &isTaken);
