// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbuslauncherentry.h"

#include <QDBusMessage>

namespace tavrel::platform {

DBusLauncherEntry::DBusLauncherEntry(const QString &desktopFileId, const QDBusConnection &bus)
    : m_bus(bus), m_appUri(QStringLiteral("application://") + desktopFileId)
{
}

QVariantMap DBusLauncherEntry::updateProperties(double progress, bool visible)
{
    return {
        {QStringLiteral("progress"), qBound(0.0, progress, 1.0)},
        {QStringLiteral("progress-visible"), visible},
    };
}

void DBusLauncherEntry::setProgress(double progress, bool visible)
{
    // A hidden bar carries no value worth telling apart.
    const QVariantMap properties = updateProperties(visible ? progress : 0.0, visible);
    if (m_sent == properties || !m_bus.isConnected())
        return;
    m_sent = properties;
    // A signal, not a call: nobody has to listen, and nothing waits for an answer.
    QDBusMessage update =
        QDBusMessage::createSignal(QLatin1String(kPath), QLatin1String(kInterface), QStringLiteral("Update"));
    update << m_appUri << properties;
    m_bus.send(update);
}

} // namespace tavrel::platform
