// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// File, path and URL operations, and reading numbers from a file.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

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
QStringList dirContents(const QString &folder); // names; empty on error
bool fileExists(const QString &path);           // any item, a dangling link included
QByteArray contents(const QString &path);

// URLs
void open(const QUrl &url); // the platform's default handler; nothing without one

// File handles
qint32 readInt(QIODevice *device); // 4 bytes, little-endian; 0 on a missing device or a short read

} // namespace tavrel
