// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Folder references that survive restarts: the folder's absolute path, with the identity of the
// file system it lay on (and its device and inode) when the reference was made, as UTF-8 JSON.
#include "platform/api/bookmarks.h"

namespace tavrel::platform {

class JsonBookmarks final : public Bookmarks
{
public:
    // None when the path does not name a directory.
    std::optional<QByteArray> create(const QString &folderPath) override;
    // None when the data is not such a reference, its path no longer names a directory, or the
    // directory now lies on another file system than the recorded one (a disk that is not mounted
    // leaves its empty mount point behind). A folder replaced under the same path on the same file
    // system still resolves: the path is what the user chose.
    std::optional<QString> resolve(const QByteArray &data) override;
    // True when the folder exists and can be searched; whether it can be written is asked when a
    // job is added.
    bool startAccess(const QString &folderPath) override;
    void stopAccess(const QString &folderPath) override;

    // Every call of startAccess and stopAccess, granted or not, so callers can be checked for balance.
    int startCount() const { return m_starts; }
    int stopCount() const { return m_stops; }

    // The file system holding the path: its UUID when it has one, otherwise its type, source and
    // mount point. Empty when the path cannot be examined.
    static QString fileSystemIdentity(const QString &path);

private:
    int m_starts = 0;
    int m_stops = 0;
};

} // namespace tavrel::platform
