// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/intakerules.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "support/ossorylib.h"
#include "support/paths.h"
#include "support/stringextras.h"

namespace tavrel {

namespace {

const QStringList kTextSubtitleTypes = {QStringLiteral("srt"), QStringLiteral("ass"), QStringLiteral("ssa"),
                                        QStringLiteral("smi")};
const QString kSubType = QStringLiteral("sub");

// Index of the extension's dot in the last path component, or -1.
qsizetype extensionDot(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    // A leading dot names a hidden file, not an extension.
    if (dot <= slash + 1)
        return -1;
    return dot;
}

} // namespace

QStringList defaultMovieFileTypes()
{
    return {QStringLiteral("mkv"), QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("ogm")};
}

QStringList subtitleFileTypes()
{
    return kTextSubtitleTypes + QStringList{kSubType};
}

bool isTextSubtitleFile(const QString &path)
{
    return hasExtensionIn(path, kTextSubtitleTypes);
}

bool isTextSubFile(const QString &path)
{
    return lowerExtension(path) == kSubType && !isMpegProgramStream(path);
}

QString lowerExtension(const QString &path)
{
    const qsizetype dot = extensionDot(path);
    return dot < 0 ? QString() : path.mid(dot + 1).toLower();
}

QString pathWithoutExtension(const QString &path)
{
    const qsizetype dot = extensionDot(path);
    return dot < 0 ? path : path.left(dot);
}

QStringList subtitleKeys(const QString &path)
{
    const QString once = pathWithoutExtension(path);
    return {once, pathWithoutExtension(once)};
}

bool hasExtensionIn(const QString &path, const QStringList &lowerCaseExtensions)
{
    const QString extension = lowerExtension(path);
    return !extension.isEmpty() && lowerCaseExtensions.contains(extension);
}

bool isMpegProgramStream(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 4)
        return false;
    // Bytes 00 00 01 BA read as a little-endian integer.
    return quint32(readInt(&file)) == 0xBA010000u;
}

QString outputFileName(const QString &fileName)
{
    return pathWithoutExtension(fileName) + QStringLiteral(".mp4");
}

QString withMp4Extension(const QString &path)
{
    return lowerExtension(path) == QLatin1String("mp4") ? path : path + QStringLiteral(".mp4");
}

bool hasUndecodableName(const QString &path)
{
    // A byte that is not UTF-8 reaches us as U+FFFD, and that name opens no file.
    return path.contains(QChar::ReplacementCharacter) && !QFileInfo(path).exists();
}

QString undecodableNamesMessage(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names.append(QStringLiteral("“%1”").arg(elidedName(QFileInfo(path).fileName())));
    return QStringLiteral("%1 cannot open %2: the name holds characters that are not UTF-8 text (shown as �). "
                          "Please rename the file and add it again.")
        .arg(appName(), names.join(QStringLiteral(", ")));
}

bool isSpecialFile(const QString &path)
{
    struct stat status = {};
    const QByteArray name = QFile::encodeName(path);
    return ::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

QString specialFilesMessage(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names.append(QStringLiteral("“%1”").arg(elidedName(QFileInfo(path).fileName())));
    return QStringLiteral("%1 cannot read %2: only regular files can be converted, not pipes, devices or sockets.")
        .arg(appName(), names.join(QStringLiteral(", ")));
}

QString canonicalPath(const QString &path)
{
    const QFileInfo file(path);
    const QString canonical = file.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? file.absoluteFilePath() : folder + u'/' + file.fileName();
}

QString discardedWorkMessage(qsizetype converting, qsizetype paused, qsizetype queued, qsizetype movies)
{
    QStringList parts;
    auto count = [&parts](qsizetype n, const char *one, const char *many) {
        if (n > 0)
            parts.append(QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many)));
    };
    count(converting, "conversion in progress", "conversions in progress");
    count(paused, "paused conversion", "paused conversions");
    count(queued, "queued conversion", "queued conversions");
    count(movies, "movie not yet added to the queue", "movies not yet added to the queue");
    if (parts.isEmpty())
        return QString();
    const QString list = parts.size() == 1
        ? parts.first()
        : parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + parts.last();
    return QStringLiteral("Closing the window quits %1 and discards %2. Unfinished output files are deleted; "
                          "your movies are kept. Are you sure you want to quit?")
        .arg(appName(), list);
}

} // namespace tavrel
