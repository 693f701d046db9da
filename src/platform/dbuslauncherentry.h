// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The launcher entry over the com.canonical.Unity.LauncherEntry signal, which task managers and
// docks listen to on the session bus.
#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

#include <optional>

#include "platform/api/launcherentry.h"

namespace tavrel::platform {

class DBusLauncherEntry final : public LauncherEntry
{
public:
    // desktopFileId: the installed desktop entry's name, "org.ossory.Tavrel.desktop".
    explicit DBusLauncherEntry(const QString &desktopFileId,
                               const QDBusConnection &bus = QDBusConnection::sessionBus());

    // Sends the Update signal when the bar changes; the same state twice sends nothing.
    void setProgress(double progress, bool visible) override;

    static constexpr const char *kInterface = "com.canonical.Unity.LauncherEntry";
    static constexpr const char *kPath = "/org/ossory/Tavrel/LauncherEntry";
    // "application://org.ossory.Tavrel.desktop"
    QString appUri() const { return m_appUri; }
    // The properties of one Update: "progress" (double) and "progress-visible" (bool).
    static QVariantMap updateProperties(double progress, bool visible);

private:
    QDBusConnection m_bus;
    QString m_appUri;
    std::optional<QVariantMap> m_sent;
};

} // namespace tavrel::platform
