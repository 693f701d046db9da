// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include <optional>

namespace tavrel::platform {

struct VolumeFigures
{
    quint64 freeBytes = 0;                  // space an unprivileged user may use; 0 when unreadable
    std::optional<quint64> maximumFileSize; // FAT: 4294967295; others: none
};

class VolumeInfo
{
public:
    virtual ~VolumeInfo() = default;
    virtual VolumeFigures figuresForPath(const QString &path) = 0;
};

} // namespace tavrel::platform
