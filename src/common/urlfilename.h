#pragma once

#include <QString>

class QUrl;

// The longest file name we create, in bytes of the file system's encoding. Names are capped
// well below the usual 255 so that a partial file's "." and ".part" and a " (n)" counter
// still fit.
inline constexpr qsizetype kMaxDownloadNameBytes = 200;

// The file name an address suggests: its last path segment, percent-decoded. The program's own
// links escape GBK bytes, other servers UTF-8; valid UTF-8 wins because GBK accepts almost any
// byte pairs. The result is already reduced by plainFileName().
QString downloadNameFromUrl(const QUrl &url);

// Reduces a name that came from a server to a plain file name that stays inside the folder it
// is saved in and is valid on common file systems: no leading dots, no control or invisible
// format characters, / \ : * ? " < > | in their full-width forms, never empty ("download"), at
// most kMaxDownloadNameBytes long, the extension kept.
QString plainFileName(const QString &name);
