// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/hostinformation.h"

#include <QFile>

namespace tavrel {
namespace {

const QStringList kModelFiles = {
    QStringLiteral("/sys/devices/virtual/dmi/id/product_name"),
    QStringLiteral("/proc/device-tree/model"),
};

// The model was read into a 256-byte buffer whose last byte is the terminating 0, so a model
// of 256 bytes or more never fitted and read as unavailable.
constexpr qsizetype kModelBufferSize = 256;

// Model files end in a line feed (DMI) or a 0 byte (device tree).
QByteArray cleanedModel(QByteArray raw)
{
    raw.replace('\0', QByteArray());
    return raw.trimmed();
}

} // namespace

QString RWHostInformation::machineTypeFromFiles(const QStringList &paths)
{
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // Read a little past the limit so that an overlong model is recognised as such.
        const QByteArray model = cleanedModel(file.read(4 * kModelBufferSize));
        if (model.isEmpty())
            continue;
        if (model.size() >= kModelBufferSize)
            return QString();
        return QString::fromUtf8(model);
    }
    return QString();
}

QString RWHostInformation::machineType()
{
    return machineTypeFromFiles(kModelFiles);
}

} // namespace tavrel
