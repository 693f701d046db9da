// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Questions about the machine the program runs on: its hardware model (which goes into support
// requests and problem reports) and its network address.
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

    // The first address of the wanted family on an interface that is up and not a loopback
    // ("lo…"); "127.0.0.1" / "::1" when there is none or the interfaces cannot be listed.
    static QString ipAddress(bool ipv6);
};

// The model as the support library asks for it.
QString _machineType();

} // namespace tavrel
