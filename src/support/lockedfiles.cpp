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

FileLock FileLock::tryLock(const QString &path, bool create)
{
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (create ? O_CREAT : 0);
    return tryLockDescriptor(::open(name.constData(), flags, 0600));
}

FileLock FileLock::waitForLock(const QString &path)
{
    FileLock lock;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_CREAT, 0600);
    if (fd < 0)
        return lock;
    int locked;
    do
        locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(fd);
        return lock;
    }
    lock.m_fd = fd;
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
    bool written = file.open(QIODevice::WriteOnly) && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)
        && file.write(bytes) == bytes.size();
    // A full disk may only show when the buffer is flushed, which commit() would not count as a
    // failure: the short file would replace the good one.
    written = written && file.flush();
    if (!written) {
        const QString why = file.errorString();
        file.cancelWriting();
        file.commit(); // removes the new file; the old one stays
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, why);
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QString keepAside(const QString &path)
{
    const QString aside = path + QStringLiteral(".broken");
    QFile::remove(aside);
    return QFile::rename(path, aside) ? aside : QString();
}

} // namespace tavrel
