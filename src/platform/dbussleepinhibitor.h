// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps the machine from idle-sleeping while a conversion runs: the desktop portal's Inhibit on
// the session bus, else logind's Inhibit on the system bus.
#include <QDBusConnection>

#include <optional>

#include "platform/api/sleepinhibitor.h"

namespace tavrel::platform {

class DBusSleepInhibitor final : public SleepInhibitor
{
public:
    // The session and system buses, each connected the first time it is needed.
    DBusSleepInhibitor() = default;
    // Given buses, for running against private ones.
    DBusSleepInhibitor(const QDBusConnection &sessionBus, const QDBusConnection &systemBus);

    std::unique_ptr<SleepAssertion> acquire(const QString &reason) override;

    // Each bus call waits at most this long, so a job start never hangs on a dead service.
    static constexpr int kCallTimeoutMs = 400;

private:
    std::unique_ptr<SleepAssertion> acquireFromPortal(const QString &reason);
    std::unique_ptr<SleepAssertion> acquireFromLogind(const QString &reason);

    std::optional<QDBusConnection> m_session;
    std::optional<QDBusConnection> m_system;
};

} // namespace tavrel::platform
