#pragma once
// Folder references that survive restarts: the folder's absolute path (with its device and
// inode as found when the reference was made) as UTF-8 JSON.
#include "platform/bookmarks.h"

namespace tavrel::platform {

class JsonBookmarks final : public Bookmarks
{
public:
    // None when the path does not name a directory.
    std::optional<QByteArray> create(const QString &folderPath) override;
    // None when the data is not such a reference or its path no longer names a directory. A
    // folder that was replaced under the same path still resolves: the path is what the user chose.
    std::optional<QString> resolve(const QByteArray &data) override;
    // True when the folder can be written to and searched by this process.
    bool startAccess(const QString &folderPath) override;
    void stopAccess(const QString &folderPath) override;

    // Every call of startAccess and stopAccess, granted or not, so callers can be checked for balance.
    int startCount() const { return m_starts; }
    int stopCount() const { return m_stops; }

private:
    int m_starts = 0;
    int m_stops = 0;
};

} // namespace tavrel::platform
