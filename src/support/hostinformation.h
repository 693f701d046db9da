// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hardware model of the machine the program runs on, which goes into support requests and
// problem reports.
#include <QString>
#include <QStringList>

namespace tavrel {

class RWHostInformation final
{
public:
    RWHostInformation() = delete;

    // The hardware model: the DMI product name, else the device-tree model; empty when neither
    // can be read or the text does not fit the 256-byte buffer the model was always read into.
    static QString machineType();
    // The same over the given files, first readable non-empty one wins (tests pass their own).
    static QString machineTypeFromFiles(const QStringList &paths);
};

} // namespace tavrel
