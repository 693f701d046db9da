// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files that outlive a run: an advisory lock that the kernel drops when its process ends, however
// it ends, and a whole-file write that a full disk or a crash cannot leave half done.
#include <QByteArray>
#include <QString>

namespace tavrel {

// A lock (flock) on a file, held until the object goes, release() or the end of the process. The
// file's contents mean nothing: an empty or garbled lock file, or one left by a dead process,
// locks nothing.
class FileLock final
{
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(FileLock &&other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Locks the file without waiting, creating it (0600) when `create` and it is missing. Not
    // locked when it cannot be opened or another open file holds the lock.
    static FileLock tryLock(const QString &path, bool create = true);
    // Waits for the lock, for the few moments another process takes to rewrite a shared file.
    static FileLock waitForLock(const QString &path);
    // Locks an open descriptor, which the lock then owns (closed when the lock goes).
    static FileLock tryLockDescriptor(int fd);

    bool isLocked() const { return m_fd >= 0; }
    // Whether `path` still names the locked file (it may have been deleted or replaced).
    bool holds(const QString &path) const;
    void release();

private:
    int m_fd = -1;
};

// Replaces the file with `bytes` only once every byte has been written and flushed; on any
// failure the old file stays as it was and `error` says why. The file is made readable by its
// owner only, and the folder it is made in (when missing, or the last folder of the path) too.
bool writePrivateFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Renames the file to "<file>.broken" (an older one goes), so that what could not be read is
// kept for a look rather than overwritten. The new name; empty when it could not be moved.
QString keepAside(const QString &path);

} // namespace tavrel
