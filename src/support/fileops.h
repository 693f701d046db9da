#pragma once
// File, path and collection operations.
#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QIODevice;

namespace tavrel {

// Paths (strings)
QString uniqueFile(const QString &path);          // "base-N.ext", N from 0; a dangling link counts as taken
// The same numbering with the caller's own test of whether a name is taken.
QString uniqueFile(const QString &path, const std::function<bool(const QString &)> &isTaken);
bool isWriteablePath(const QString &path);        // atomic "TEST" write, then removed
// RFC 2396 escaping as UTF-8: keeps letters, digits, - _ . ! ~ * ' ( ) and ; / ? : @ & = + $ ,
// and the first "#" (none in a mailto: link); "%" and all else become %XX. Invalid: empty URL.
QUrl escapedURL(const QString &text);
QString localized(const QString &text);           // the text itself
QUrl resourceURL(const QString &fileName);        // in OssoryLib's resources folder; empty if absent
QUrl fileURL(const QString &path);
QString expanded(const QString &path);            // leading "~" → home ("~name" unchanged)
QStringList dirContents(const QString &folder);   // names; empty on error
QStringList dirContentsRecursive(const QString &folder);
qint64 fileSize(const QString &path);             // 0 when unreadable
bool fileExists(const QString &path);             // any item, a dangling link included
QByteArray contents(const QString &path);
int countOccurencesOfString(const QString &text, const QString &what); // 0 for an empty what
bool containsInsensitive(const QString &text, const QString &what, bool insensitive);
bool containsAny(const QString &text, const QStringList &candidates);
QStringList words(const QString &text);           // split at every whitespace character
QString titlecaseString(const QString &text);
QString propercaseString(const QString &text);
QString stringByReplacingMultipleStrings(const QString &text, const QList<std::pair<QString, QString>> &replacements);
QByteArray dataFromHexString(const QString &hex); // stops at a pair that is not hex
QString hexString(const QByteArray &data);

// Duration text: "%im %is" or "%is", whole units, truncated toward zero.
QString formattedTimeFromTimeInterval(double seconds);

// URLs
std::optional<QUrl> uniqueFile(const QUrl &url);  // none for non-file URLs
bool fileExists(const QUrl &url);                 // false for non-file URLs
void open(const QUrl &url);                       // the platform's default handler; nothing without one
QUrl add(const QUrl &url, const QString &component);

// File handles
qint32 readInt(QIODevice *device);                // 4 bytes, little-endian; 0 on a missing device or a short read
float readFloat(QIODevice *device);               // 4 bytes, host order; 0 on a short read

// Collections
template<typename T>
qint64 collect(const QList<T> &list, const std::function<qint32(const T &)> &block)
{
    qint64 sum = 0;
    for (const T &item : list)
        sum += qint64(block(item));
    return sum;
}
template<typename T>
std::optional<T> safeObjectAtIndex(const QList<T> &list, qsizetype index)
{
    if (index < 0 || index >= list.size())
        return std::nullopt;
    return list.at(index);
}
template<typename T>
QList<T> arrayByRemovingObjectsAtIndexes(const QList<T> &list, const QSet<qsizetype> &indexes)
{
    QList<T> result;
    for (qsizetype i = 0; i < list.size(); ++i)
        if (!indexes.contains(i))
            result.append(list.at(i));
    return result;
}
QString safeStringAtIndex(const QStringList &list, qsizetype index); // "" past the end

} // namespace tavrel
