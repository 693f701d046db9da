// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Free space and largest file size of the file system holding a path.
#include <QByteArray>

#include "platform/api/volumeinfo.h"

namespace tavrel::platform {

// The largest file a file system of this type holds: 4294967295 bytes for the FAT family,
// none (no limit reported) for everything else.
std::optional<quint64> maximumFileSizeForType(const QByteArray &fileSystemType);

class StorageVolumes final : public VolumeInfo
{
public:
    // A path that does not exist yet is measured at its nearest existing ancestor.
    VolumeFigures figuresForPath(const QString &path) override;
};

} // namespace tavrel::platform
