// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/outputfile.h"

#include "conversion/outputparts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/paths.h"

namespace tavrel {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Moves `from` to `to` unless something has that name; 0 or the error. Never over a claimed
// empty file: replacing a file makes ext4 write all of the moved one out there and then (its
// guard for files rewritten in place), about a second for each 2 GB of movie.
int moveWithoutReplacing(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system that cannot refuse to replace: claim the name, then move over the claim.
    const int fd = ::open(to.constData(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    ::close(fd);
    if (::rename(from.constData(), to.constData()) == 0)
        return 0;
    const int error = errno;
    ::unlink(to.constData());
    return error;
}

} // namespace

PartialOutput createPartialOutput(const QString &folder)
{
    // A cleanup in another process may find the new file before it is locked, lock it and delete
    // it; such a file is given up for another.
    for (int attempt = 0; attempt < 100; ++attempt) {
        QTemporaryFile file(folder + QStringLiteral("/.tavrel-XXXXXX.partial.mp4"));
        file.setAutoRemove(false);
        if (!file.open())
            return {QString(),
                    QStringLiteral("The output file could not be created in %1: %2.").arg(folder, file.errorString()),
                    {}};
        const int descriptor = ::fcntl(file.handle(), F_DUPFD_CLOEXEC, 0);
        if (descriptor < 0) {
            file.remove();
            return {QString(),
                    QStringLiteral("The output file could not be created in %1: %2.").arg(folder, systemError(errno)),
                    {}};
        }
        FileLock lock = FileLock::tryLockDescriptor(descriptor);
        if (lock.holds(file.fileName()))
            return {file.fileName(), QString(), std::move(lock)};
    }
    return {QString(), QStringLiteral("The output file could not be created in %1.").arg(folder), {}};
}

namespace {

const QRegularExpression &partialName()
{
    static const QRegularExpression name(QStringLiteral("^\\.tavrel-[^/]+\\.partial((?:-[0-9]+)*)\\.mp4$"));
    return name;
}

// The partial output a part belongs to; the path itself for a partial output.
QString partialOf(const QString &path)
{
    const QRegularExpressionMatch match = partialName().match(QFileInfo(path).fileName());
    if (!match.hasMatch() || match.capturedLength(1) == 0)
        return path;
    return path.left(path.size() - match.capturedLength(1) - 4) + QStringLiteral(".mp4");
}

} // namespace

bool isPartialOutputName(const QString &fileName)
{
    return partialName().match(fileName).hasMatch();
}

QString partialPartPattern(const QString &partial)
{
    QString stem = partial.chopped(4); // ".mp4"
    return stem.replace(u'%', QStringLiteral("%%")) + QStringLiteral("-%d.mp4");
}

QStringList partialParts(const QString &partial)
{
    // "-2" before "-10", and the halves of a part cut again ("-2-1", "-2-2") in its place.
    const QFileInfo info(partial);
    const QString stem = info.fileName().chopped(4);
    QList<std::pair<QList<int>, QString>> parts;
    for (const QString &name : info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = partialName().match(name);
        if (!match.hasMatch() || match.capturedLength(1) == 0 || !name.startsWith(stem + u'-')
            || name.size() != stem.size() + match.capturedLength(1) + 4)
            continue;
        QList<int> numbers;
        for (const QString &number : match.captured(1).split(u'-', Qt::SkipEmptyParts))
            numbers.append(number.toInt());
        parts.append({numbers, info.dir().filePath(name)});
    }
    std::sort(parts.begin(), parts.end());
    QStringList paths;
    for (const auto &part : parts)
        paths.append(part.second);
    return paths;
}

bool removeAbandonedPartial(const QString &path)
{
    // Never waits: a lock held means a job of a live run writes it. A part is its partial
    // output's: it is abandoned when that is, or has gone.
    // Opened without following a link, so a link of that name is never taken for a partial.
    const QString partial = partialOf(path);
    if (QFileInfo(partial).isSymLink() || !QFileInfo(path).isFile())
        return false;
    if (QFileInfo::exists(partial) && !FileLock::tryLock(partial, false).holds(partial))
        return false;
    if (partial == path)
        for (const QString &part : partialParts(path))
            ::unlink(QFile::encodeName(part).constData());
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

QStringList removeAbandonedPartials(const QString &folder)
{
    QStringList removed;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        const QString path = QDir(folder).filePath(name);
        if (isPartialOutputName(name) && removeAbandonedPartial(path))
            removed.append(path);
    }
    return removed;
}

FileOutcome publishOutput(const QString &partial, const QString &destination,
                          const std::function<bool(const QString &)> &isTaken)
{
    QString candidate = destination;
    // Another process may take each free name between the look and the claim; a few tries suffice.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (attempt > 0 || isTaken(candidate))
            candidate = uniqueFile(destination, [&](const QString &path) {
                return path != destination ? QFileInfo::exists(path) || QFileInfo(path).isSymLink() || isTaken(path)
                                           : true;
            });
        const QByteArray name = QFile::encodeName(candidate);
        // The claim: fails on any file or link of that name, and tells the mode a new file gets here.
        const int fd = ::open(name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return {
                QString(),
                QStringLiteral("The converted file could not be saved as %1: %2.").arg(candidate, systemError(errno))};
        }
        struct stat claimed = {};
        const bool haveMode = ::fstat(fd, &claimed) == 0;
        ::close(fd);
        ::unlink(name.constData());
        const QByteArray from = QFile::encodeName(partial);
        // The hidden file was made private; the result gets the mode any new file gets here.
        if (haveMode)
            ::chmod(from.constData(), claimed.st_mode & 07777);
        const int error = moveWithoutReplacing(from, name);
        if (error == EEXIST)
            continue; // taken between the claim and the move
        if (error != 0)
            return {
                QString(),
                QStringLiteral("The converted file could not be saved as %1: %2.").arg(candidate, systemError(error))};
        return {candidate, QString()};
    }
    return {QString(), QStringLiteral("No free name was found for %1.").arg(destination)};
}

PartsOutcome publishParts(const QStringList &partials, const QString &destination,
                          const std::function<bool(const QString &)> &isTaken)
{
    const auto names = [&](const QString &movie) {
        QStringList paths;
        for (qsizetype i = 0; i < partials.size(); ++i)
            paths.append(partPath(movie, int(i) + 1));
        return paths;
    };
    const auto anyTaken = [&](const QString &movie) {
        const QStringList paths = names(movie);
        return std::any_of(paths.cbegin(), paths.cend(), [&](const QString &path) {
            return QFileInfo::exists(path) || QFileInfo(path).isSymLink() || isTaken(path);
        });
    };
    QString movie = destination;
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (attempt > 0 || anyTaken(movie))
            movie = uniqueFile(destination, [&](const QString &path) { return path == destination || anyTaken(path); });
        // The claims: each fails on any file or link of its name, so nothing is replaced or followed.
        const QStringList paths = names(movie);
        QStringList claimed;
        int error = 0;
        for (const QString &path : paths) {
            const int fd =
                ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd < 0) {
                error = errno;
                break;
            }
            ::close(fd);
            claimed.append(path);
        }
        const auto release = [&] {
            for (const QString &path : std::as_const(claimed))
                ::unlink(QFile::encodeName(path).constData());
        };
        if (claimed.size() < paths.size()) {
            release();
            if (error == EEXIST)
                continue;
            return {{},
                    QStringLiteral("The converted file could not be saved as %1: %2.")
                        .arg(paths.at(claimed.size()), systemError(error))};
        }
        for (qsizetype i = 0; i < paths.size(); ++i) {
            struct stat mode = {};
            const QByteArray from = QFile::encodeName(partials.at(i));
            const QByteArray to = QFile::encodeName(paths.at(i));
            if (::stat(to.constData(), &mode) == 0)
                ::chmod(from.constData(), mode.st_mode & 07777);
            // The claim only held the name: the part moves to it without replacing anything.
            ::unlink(to.constData());
            error = moveWithoutReplacing(from, to);
            if (error != 0) {
                // All or none: the parts moved so far go back to their hidden names.
                for (qsizetype back = 0; back < i; ++back)
                    ::rename(QFile::encodeName(paths.at(back)).constData(),
                             QFile::encodeName(partials.at(back)).constData());
                release();
                return {{},
                        QStringLiteral("The converted file could not be saved as %1: %2.")
                            .arg(paths.at(i), systemError(error))};
            }
        }
        return {paths, QString()};
    }
    return {{}, QStringLiteral("No free name was found for %1.").arg(destination)};
}

} // namespace tavrel
