// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the output of a conversion fits where it goes, decided from four volume figures.
#include <QString>

#include <optional>

namespace tavrel {

struct FreeSpaceFigures
{
    quint64 bootFree = 0;               // volume of the documents folder (progress file)
    quint64 targetFree = 0;             // volume of the destination folder
    std::optional<quint64> largestFile; // the destination volume's maximum file size, if any
    quint64 sourceSize = 0;
};

struct FreeSpaceDecision
{
    std::optional<QString> refusal; // the alert message; none: the conversion may go ahead
    QString trace;                  // the debug trace of the check made
};

// Equal free figures are taken to mean that the destination lies on the documents volume.
FreeSpaceDecision decideFreeSpace(const FreeSpaceFigures &figures);

} // namespace tavrel
