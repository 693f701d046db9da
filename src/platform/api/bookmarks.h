// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>

#include <optional>

namespace tavrel::platform {

// Persistent folder references: UTF-8 JSON {"path": …} (with "device" and "inode" when known).
class Bookmarks
{
public:
    virtual ~Bookmarks() = default;
    virtual std::optional<QByteArray> create(const QString &folderPath) = 0;
    virtual std::optional<QString> resolve(const QByteArray &data) = 0; // none when not a folder now
    virtual bool startAccess(const QString &folderPath) = 0;            // writable and searchable
    virtual void stopAccess(const QString &folderPath) = 0;
};

} // namespace tavrel::platform
