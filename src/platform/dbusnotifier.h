// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Desktop notifications over org.freedesktop.Notifications on the session bus.
#include <QDBusConnection>
#include <QHash>
#include <QVariantMap>

#include <memory>

#include "platform/api/usernotifier.h"

namespace tavrel::platform {

// Sends each notification asynchronously and remembers the ids the server hands back, so that
// a click (ActionInvoked) on one of ours calls the activation handler with its userInfo. Without
// a bus or a notification service nothing is shown and nothing else happens.
class DBusNotifier final : public UserNotifier
{
    Q_DISABLE_COPY_MOVE(DBusNotifier)

public:
    explicit DBusNotifier(const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~DBusNotifier() override;

    void deliver(const UserNotification &notification) override;

    // The hint value for a notification's sound name; empty = no sound hint.
    static QString soundHint(const QString &soundName);

private:
    class Receiver;
    void actionInvoked(uint id);
    void notificationClosed(uint id);

    QDBusConnection m_bus;
    std::unique_ptr<Receiver> m_receiver; // the bus's signals and replies arrive here
    QHash<uint, QVariantMap> m_sent;      // server id -> userInfo, until the server closes it
};

} // namespace tavrel::platform
