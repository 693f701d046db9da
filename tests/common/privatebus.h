// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private D-Bus daemon for one test process, so bus tests never reach the desktop's own
// services (and never start any of them: the private bus activates nothing).
#include <QString>

namespace tavrel::test {

// Starts the daemon once and points DBUS_SESSION_BUS_ADDRESS at it, and DBUS_SYSTEM_BUS_ADDRESS
// at a socket that does not exist. Must run before the first QDBusConnection::sessionBus():
// call it from a namespace-scope initialiser in the test file. Ends the process with a message
// when dbus-daemon cannot be started. Returns the bus address.
QString startPrivateSessionBus();

// The private bus's address; empty before startPrivateSessionBus().
QString privateBusAddress();

// The system-bus address set by startPrivateSessionBus(): nothing listens there.
QString unreachableSystemBusAddress();

} // namespace tavrel::test
