// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/conversionsettings.h"

#include <algorithm>
#include <array>

namespace tavrel {

namespace {
const std::array<QString, 4> kStereoRates{QStringLiteral("160k"), QStringLiteral("192k"), QStringLiteral("224k"),
                                          QStringLiteral("256k")};
const std::array<QString, 4> kSurroundRates{QStringLiteral("384k"), QStringLiteral("448k"), QStringLiteral("512k"),
                                            QStringLiteral("576k")};

// A hand-edited store may hold anything; never index outside the table.
qsizetype tableIndex(qint64 index)
{
    return (index >= 0 && index <= 3) ? qsizetype(index) : 1;
}
} // namespace

QString stereoBitrate(qint64 index)
{
    return kStereoRates[size_t(tableIndex(index))];
}

const QStringList &videoSpeeds()
{
    static const QStringList speeds = {
        QStringLiteral("ultrafast"), QStringLiteral("superfast"), QStringLiteral("veryfast"),
        QStringLiteral("faster"),    QStringLiteral("fast"),      QStringLiteral("medium"),
        QStringLiteral("slow"),      QStringLiteral("slower"),    QStringLiteral("veryslow"),
    };
    return speeds;
}

int videoQualityInRange(qint64 quality)
{
    return int(std::clamp<qint64>(quality, kBestVideoQuality, kWorstVideoQuality));
}

QString surroundBitrate(qint64 index)
{
    return kSurroundRates[size_t(tableIndex(index))];
}

} // namespace tavrel
