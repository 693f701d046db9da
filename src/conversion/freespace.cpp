// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/freespace.h"

#include "support/format.h"

namespace tavrel {

namespace {
double gigabytes(quint64 bytes)
{
    return double(bytes) / 1073741824.0;
}
} // namespace

FreeSpaceDecision decideFreeSpace(const FreeSpaceFigures &figures)
{
    FreeSpaceDecision decision;
    if (figures.bootFree == figures.targetFree) {
        decision.trace = makeString(QStringLiteral("checking boot disk for free space of %fGB (%fGB free)"),
                                    gigabytes(figures.sourceSize), gigabytes(figures.bootFree));
        if (figures.bootFree < figures.sourceSize) {
            decision.refusal = QStringLiteral("There is not enough free space on your boot disk for conversion.");
            return decision;
        }
    } else {
        decision.trace = makeString(QStringLiteral("checking target disk for free space of %fGB (%fGB free)"),
                                    gigabytes(figures.sourceSize), gigabytes(figures.targetFree));
        if (figures.targetFree < figures.sourceSize) {
            decision.refusal = QStringLiteral("There is not enough free space on your target disk for conversion.");
            return decision;
        }
    }
    if (figures.largestFile && *figures.largestFile < figures.sourceSize)
        decision.refusal = QStringLiteral("Your target disk doesn't support large files.");
    return decision;
}

} // namespace tavrel
