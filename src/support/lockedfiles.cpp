// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/lockedfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel {

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        release();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

namespace {

// Never through a link, and never waiting on a pipe that bears the name.
int openForLock(const QString &path, bool create)
{
    const int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (create ? O_CREAT : 0);
    return ::open(QFile::encodeName(path).constData(), flags, 0600);
}

} // namespace

FileLock FileLock::tryLock(const QString &path, bool create)
{
    return tryLockDescriptor(openForLock(path, create));
}

FileLock FileLock::waitForLock(const QString &path)
{
    FileLock lock;
    lock.m_fd = openForLock(path, true);
    int locked = -1;
    while (lock.m_fd >= 0 && (locked = ::flock(lock.m_fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0)
        lock.release();
    return lock;
}

FileLock FileLock::tryLockDescriptor(int fd)
{
    FileLock lock;
    if (fd < 0)
        return lock;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return lock;
    }
    lock.m_fd = fd;
    return lock;
}

bool FileLock::holds(const QString &path) const
{
    struct stat locked = {};
    struct stat named = {};
    return m_fd >= 0 && ::fstat(m_fd, &locked) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0
        && locked.st_dev == named.st_dev && locked.st_ino == named.st_ino;
}

void FileLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool writePrivateFile(const QString &path, const QByteArray &bytes, QString *error)
{
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    // Other users of the machine have no business reading which movies are where.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QSaveFile file(path);
    // A full disk may only show when the buffer is flushed, which commit() would not count as a
    // failure: the short file would replace the good one.
    const bool written = file.open(QIODevice::WriteOnly) && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)
        && file.write(bytes) == bytes.size() && file.flush();
    QString why = file.errorString();
    if (!written)
        file.cancelWriting(); // the commit removes the new file; the old one stays
    if (file.commit())
        return true;
    if (written)
        why = file.errorString();
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, why);
    return false;
}

QString keepAside(const QString &path)
{
    const QString aside = path + QStringLiteral(".broken");
    QFile::remove(aside);
    return QFile::rename(path, aside) ? aside : QString();
}

} // namespace tavrel
