// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File, path and URL operations, and reading numbers from a file.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QIODevice;

namespace tavrel {

// Paths (strings)
QString uniqueFile(const QString &path); // "base-N.ext", N from 0; a dangling link counts as taken
// The same numbering with the caller's own test of whether a name is taken.
QString uniqueFile(const QString &path, const std::function<bool(const QString &)> &isTaken);
bool isWriteablePath(const QString &path); // a new file of that name written ("TEST"), then removed
// RFC 2396 escaping as UTF-8: keeps letters, digits, - _ . ! ~ * ' ( ) and ; / ? : @ & = + $ ,
// and the first "#" (none in a mailto: link); "%" and all else become %XX. Invalid: empty URL.
QUrl escapedURL(const QString &text);
QUrl resourceURL(const QString &fileName); // in OssoryLib's resources folder; empty if absent
QUrl fileURL(const QString &path);
QString expanded(const QString &path);          // leading "~" → home ("~name" unchanged)
QStringList dirContents(const QString &folder); // names; empty on error
QStringList dirContentsRecursive(const QString &folder);
qint64 fileSize(const QString &path); // 0 when unreadable
bool fileExists(const QString &path); // any item, a dangling link included
QByteArray contents(const QString &path);

// URLs
std::optional<QUrl> uniqueFile(const QUrl &url); // none for non-file URLs
bool fileExists(const QUrl &url);                // false for non-file URLs
void open(const QUrl &url);                      // the platform's default handler; nothing without one
QUrl add(const QUrl &url, const QString &component);

// File handles
qint32 readInt(QIODevice *device);  // 4 bytes, little-endian; 0 on a missing device or a short read
float readFloat(QIODevice *device); // 4 bytes, host order; 0 on a short read

} // namespace tavrel
