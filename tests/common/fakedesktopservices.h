// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stand-ins for the desktop's bus services (notifications, file manager, portal inhibit, logind
// inhibit) on a private bus. They answer on their own thread, so code under test may call them
// with blocking calls from the main thread. Everything they are asked is recorded.
#include <QDBusConnection>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <vector>

class QThread;

namespace tavrel::test {

class FakeDesktopServices final
{
    Q_DISABLE_COPY_MOVE(FakeDesktopServices)

public:
    struct NotifyCall
    {
        QString appName;
        uint replacesId = 0;
        QString appIcon, summary, body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        uint id = 0; // what the fake answered
    };
    struct ShowItemsCall
    {
        QStringList uris;
        QString startupId;
    };
    struct PortalInhibitCall
    {
        QString window;
        uint flags = 0;
        QVariantMap options;
        QString handle; // the Request object path answered
    };
    struct LogindInhibitCall
    {
        QString what, who, why, mode;
        int lockWriteEnd = -1; // our end of the pipe whose other end was handed out
    };

    // Connects to the bus at address; registers nothing yet.
    explicit FakeDesktopServices(const QString &busAddress);
    ~FakeDesktopServices();

    // Each takes the service's well-known name and exports its object; false when that failed.
    bool registerNotifications();
    bool registerFileManager();
    bool registerPortal();
    bool registerLogind();

    QList<NotifyCall> notifyCalls() const;
    QList<ShowItemsCall> showItemsCalls() const;
    QList<PortalInhibitCall> portalInhibitCalls() const;
    QStringList closedRequests() const; // Request objects whose Close was called
    QList<LogindInhibitCall> logindInhibitCalls() const;
    // Whether someone still holds the descriptor handed out by logind Inhibit call number index.
    bool logindLockHeld(int index) const;

    // Signals of the notification service, as a server sends them.
    void emitActionInvoked(uint id, const QString &actionKey);
    void emitNotificationClosed(uint id, uint reason);

    struct Records;

private:
    QString m_connectionName;
    QDBusConnection m_bus;
    std::unique_ptr<QThread> m_thread;
    std::shared_ptr<Records> m_records;
    QList<QObject *> m_objects;                         // living on m_thread
    std::vector<std::unique_ptr<QObject>> m_ownObjects; // living on the creating thread
};

} // namespace tavrel::test
