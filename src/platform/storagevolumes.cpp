// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/storagevolumes.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace tavrel::platform {

std::optional<quint64> maximumFileSizeForType(const QByteArray &fileSystemType)
{
    static const QByteArrayList fat = {"vfat", "msdos", "fat", "fat32"};
    const QByteArray type = fileSystemType.toLower();
    if (fat.contains(type))
        return quint64(4294967295u);
    return std::nullopt;
}

VolumeFigures StorageVolumes::figuresForPath(const QString &path)
{
    VolumeFigures figures;
    if (path.isEmpty())
        return figures;
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo::exists(existing)) {
        const QString parent = QFileInfo(existing).path();
        if (parent == existing)
            return figures;
        existing = parent;
    }
    const QStorageInfo storage(existing);
    if (!storage.isValid() || !storage.isReady())
        return figures;
    figures.freeBytes = quint64(std::max<qint64>(storage.bytesAvailable(), 0));
    figures.maximumFileSize = maximumFileSizeForType(storage.fileSystemType());
    return figures;
}

} // namespace tavrel::platform
