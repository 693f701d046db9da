// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/paths.h"

#include "support/format.h"

#include "platform/api/services.h"
#include "support/ossorylib.h"
#include "support/strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryFile>
#include <QtEndian>

#include <limits>

using namespace Qt::StringLiterals;

namespace tavrel {

namespace {

// Something is at the path, a dangling symbolic link included: a name taken by a link is not
// free, and the write probe must not replace the link.
bool itemExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString withoutTrailingSlashes(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// A text cut to a length can end in half a surrogate pair; UTF-8 would turn that into "?",
// which means something in a URL, so it becomes U+FFFD instead.
QString withoutLoneSurrogates(const QString &text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (c.isHighSurrogate() && i + 1 < result.size() && result.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            result[i] = QChar::ReplacementCharacter;
    }
    return result;
}

} // namespace

QString uniqueFile(const QString &path)
{
    return uniqueFile(path, itemExists);
}

QString uniqueFile(const QString &path, const std::function<bool(const QString &)> &isTaken)
{
    if (!isTaken(path))
        return path;
    const QString whole = withoutTrailingSlashes(path);
    const qsizetype slash = whole.lastIndexOf(u'/');
    const qsizetype dot = whole.lastIndexOf(u'.');
    QString base = whole;
    QString extension;
    if (dot > slash) {
        base = whole.left(dot);
        extension = whole.mid(dot + 1);
    }
    for (int n = 0;; ++n) {
        const QString candidate = makeString(QStringLiteral("%@-%i.%@"), base, n, extension);
        if (!isTaken(candidate) || n == std::numeric_limits<int>::max())
            return candidate;
    }
}

bool isWriteablePath(const QString &path)
{
    if (path.isEmpty() || itemExists(path))
        return false;
    // A file of a new name beside it, removed at once: two runs testing the same name at the same
    // moment must both pass. Not synced, since waiting for the disk buys nothing for a file that
    // is gone the next moment and can take seconds while a conversion writes. Named like a
    // partial output, so a crash's leftover is cleaned up as one.
    QTemporaryFile file(QFileInfo(path).absolutePath() + QStringLiteral("/.tavrel-XXXXXX.partial.mp4"));
    if (!file.open())
        return false;
    const bool written = file.write("TEST", 4) == 4 && file.flush();
    file.close();
    return written;
}

// Characters kept as they stand: the RFC 2396 unreserved set, its reserved set and "#"
// (only where it can be a fragment mark, see below). Everything else, "%" included, is written
// as %XX of its UTF-8 bytes, so any text round-trips exactly.
QUrl escapedURL(const QString &text)
{
    static const QByteArray kept = QByteArrayLiteral("-_.!~*'()"
                                                     ";/?:@&=+$,");
    // A mail link has no fragment, and its body often carries "#" (tool output names streams
    // "Stream #0:1"): kept, it would cut the body off there. In other URLs the first "#" marks
    // the fragment; any later one cannot be a delimiter.
    const bool mail = text.startsWith(u"mailto:", Qt::CaseInsensitive);
    bool fragmentSeen = mail;
    QByteArray encoded;
    const QByteArray utf8 = withoutLoneSurrogates(text).toUtf8();
    encoded.reserve(utf8.size() * 3);
    for (const char ch : utf8) {
        const uchar c = uchar(ch);
        const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alphanumeric || (c < 0x80 && c != 0 && kept.contains(char(c)))) {
            encoded += char(c);
        } else if (c == '#' && !fragmentSeen) {
            fragmentSeen = true;
            encoded += char(c);
        } else {
            static const char hex[] = "0123456789ABCDEF";
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 0xf];
        }
    }
    QUrl url = QUrl::fromEncoded(encoded, QUrl::StrictMode);
    if (!url.isValid())
        url = QUrl::fromEncoded(encoded, QUrl::TolerantMode);
    return url.isValid() ? url : QUrl();
}

QUrl resourceURL(const QString &fileName)
{
    const OssoryLib *lib = OssoryLib::shared();
    // Only names inside the resources folder: no absolute paths, no way up.
    if (!lib || fileName.isEmpty() || QDir::isAbsolutePath(fileName) || fileName.split(u'/').contains(u".."_s))
        return QUrl();
    const QString path = QDir(lib->resDir()).filePath(fileName);
    return itemExists(path) ? QUrl::fromLocalFile(path) : QUrl();
}

// A relative path is taken from the current folder.
QUrl fileURL(const QString &path)
{
    if (path.isEmpty())
        return QUrl();
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
}

QStringList dirContents(const QString &folder)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable())
        return {};
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool fileExists(const QString &path)
{
    return itemExists(path);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void open(const QUrl &url)
{
    if (url.isEmpty() || !url.isValid())
        return;
    if (platform::Workspace *workspace = platform::services().workspace)
        workspace->openUrl(url);
}

// Fewer than 4 bytes left: 0, which is no pack header; the bytes that were there are consumed.
qint32 readInt(QIODevice *device)
{
    if (!device || !device->isReadable())
        return 0;
    const QByteArray bytes = device->read(4);
    if (bytes.size() != 4)
        return 0;
    return qFromLittleEndian<qint32>(bytes.constData());
}

} // namespace tavrel
