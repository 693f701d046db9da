// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/outputfile.h"

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

bool isPartialOutputName(const QString &fileName)
{
    static const QRegularExpression name(QStringLiteral("^\\.tavrel-[^/]+\\.partial\\.mp4$"));
    return name.match(fileName).hasMatch();
}

bool removeAbandonedPartial(const QString &path)
{
    // Never waits: a lock held means a job of a live run writes it.
    // Opened without following a link, so a link of that name is never taken for a partial.
    const FileLock lock = FileLock::tryLock(path, false);
    if (!lock.holds(path) || !QFileInfo(path).isFile())
        return false;
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

} // namespace tavrel
