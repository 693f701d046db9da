// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakedesktopservices.h"

#include <QDBusConnectionInterface>
#include <QDBusVirtualObject>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tavrel::test {

struct FakeDesktopServices::Records
{
    mutable QMutex mutex;
    QList<NotifyCall> notify;
    QList<ShowItemsCall> showItems;
    QList<PortalInhibitCall> portal;
    QStringList closed;
    QList<LogindInhibitCall> logind;
    uint nextId = 41;

    ~Records()
    {
        for (const auto &call : logind)
            ::close(call.lockWriteEnd);
    }
};

using Records = FakeDesktopServices::Records;

class FakeNotifications final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit FakeNotifications(std::shared_ptr<Records> records) : m_records(std::move(records)) {}

public Q_SLOTS:
    uint Notify(const QString &appName, uint replacesId, const QString &appIcon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int expireTimeout)
    {
        QMutexLocker lock(&m_records->mutex);
        const uint id = ++m_records->nextId;
        m_records->notify.append({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout, id});
        return id;
    }

private:
    std::shared_ptr<Records> m_records;
};

class FakeFileManager final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    explicit FakeFileManager(std::shared_ptr<Records> records) : m_records(std::move(records)) {}

public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString &startupId)
    {
        QMutexLocker lock(&m_records->mutex);
        m_records->showItems.append({uris, startupId});
    }

private:
    std::shared_ptr<Records> m_records;
};

class FakePortalInhibit final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")

public:
    explicit FakePortalInhibit(std::shared_ptr<Records> records) : m_records(std::move(records)) {}

public Q_SLOTS:
    QDBusObjectPath Inhibit(const QString &window, uint flags, const QVariantMap &options)
    {
        QMutexLocker lock(&m_records->mutex);
        const QString handle =
            QStringLiteral("/org/freedesktop/portal/desktop/request/fake/r%1").arg(m_records->portal.size());
        m_records->portal.append({window, flags, options, handle});
        return QDBusObjectPath(handle);
    }

private:
    std::shared_ptr<Records> m_records;
};

// Answers Close on every request object below its path.
class FakePortalRequest final : public QDBusVirtualObject
{
    Q_OBJECT

public:
    explicit FakePortalRequest(std::shared_ptr<Records> records) : m_records(std::move(records)) {}

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.portal.Request")
            || message.member() != QLatin1String("Close"))
            return false;
        {
            QMutexLocker lock(&m_records->mutex);
            m_records->closed.append(message.path());
        }
        connection.send(message.createReply());
        return true;
    }

private:
    std::shared_ptr<Records> m_records;
};

class FakeLogind final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit FakeLogind(std::shared_ptr<Records> records) : m_records(std::move(records)) {}

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why, const QString &mode)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return {};
        // The caller gets a copy of the read end; ours closes right away, so the pipe loses its
        // last reader exactly when the caller lets go.
        const QDBusUnixFileDescriptor handedOut(fds[0]);
        ::close(fds[0]);
        QMutexLocker lock(&m_records->mutex);
        m_records->logind.append({what, who, why, mode, fds[1]});
        return handedOut;
    }

private:
    std::shared_ptr<Records> m_records;
};

namespace {
int connectionCounter = 0;
} // namespace

FakeDesktopServices::FakeDesktopServices(const QString &busAddress)
    : m_connectionName(QStringLiteral("fake-desktop-%1").arg(++connectionCounter))
    , m_bus(QDBusConnection::connectToBus(busAddress, m_connectionName))
    , m_thread(std::make_unique<QThread>())
    , m_records(std::make_shared<Records>())
{
    m_thread->start();
}

FakeDesktopServices::~FakeDesktopServices()
{
    for (const QString &name :
         {QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("org.freedesktop.FileManager1"),
          QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("org.freedesktop.login1")})
        m_bus.unregisterService(name);
    for (const QString &path :
         {QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("/org/freedesktop/FileManager1"),
          QStringLiteral("/org/freedesktop/portal/desktop/request"), QStringLiteral("/org/freedesktop/portal/desktop"),
          QStringLiteral("/org/freedesktop/login1")})
        m_bus.unregisterObject(path);
    QDBusConnection::disconnectFromBus(m_connectionName);
    for (QObject *object : std::as_const(m_objects))
        QMetaObject::invokeMethod(
            object, [object] { delete object; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

namespace {
template<typename T>
T *onThread(QThread *thread, const std::shared_ptr<Records> &records, QList<QObject *> &objects)
{
    auto *object = new T(records);
    object->moveToThread(thread);
    objects.append(object);
    return object;
}
} // namespace

bool FakeDesktopServices::registerNotifications()
{
    auto *object = onThread<FakeNotifications>(m_thread.get(), m_records, m_objects);
    return m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), object,
                                QDBusConnection::ExportAllSlots)
        && m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

bool FakeDesktopServices::registerFileManager()
{
    auto *object = onThread<FakeFileManager>(m_thread.get(), m_records, m_objects);
    return m_bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), object,
                                QDBusConnection::ExportAllSlots)
        && m_bus.registerService(QStringLiteral("org.freedesktop.FileManager1"));
}

bool FakeDesktopServices::registerPortal()
{
    auto *inhibit = onThread<FakePortalInhibit>(m_thread.get(), m_records, m_objects);
    // QtDBus runs virtual objects on its own thread and gives them children there: keep this one
    // off the fakes' thread, or the children would have a parent on another thread.
    auto *request = new FakePortalRequest(m_records);
    m_ownObjects.emplace_back(request);
    return m_bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), inhibit,
                                QDBusConnection::ExportAllSlots)
        && m_bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop/request"), request,
                                       QDBusConnection::SubPath)
        && m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

bool FakeDesktopServices::registerLogind()
{
    auto *object = onThread<FakeLogind>(m_thread.get(), m_records, m_objects);
    return m_bus.registerObject(QStringLiteral("/org/freedesktop/login1"), object, QDBusConnection::ExportAllSlots)
        && m_bus.registerService(QStringLiteral("org.freedesktop.login1"));
}

QList<FakeDesktopServices::NotifyCall> FakeDesktopServices::notifyCalls() const
{
    QMutexLocker lock(&m_records->mutex);
    return m_records->notify;
}

QList<FakeDesktopServices::ShowItemsCall> FakeDesktopServices::showItemsCalls() const
{
    QMutexLocker lock(&m_records->mutex);
    return m_records->showItems;
}

QList<FakeDesktopServices::PortalInhibitCall> FakeDesktopServices::portalInhibitCalls() const
{
    QMutexLocker lock(&m_records->mutex);
    return m_records->portal;
}

QStringList FakeDesktopServices::closedRequests() const
{
    QMutexLocker lock(&m_records->mutex);
    return m_records->closed;
}

QList<FakeDesktopServices::LogindInhibitCall> FakeDesktopServices::logindInhibitCalls() const
{
    QMutexLocker lock(&m_records->mutex);
    return m_records->logind;
}

bool FakeDesktopServices::logindLockHeld(int index) const
{
    QMutexLocker lock(&m_records->mutex);
    if (index < 0 || index >= m_records->logind.size())
        return false;
    // A pipe's write end reports an error once the last read end is closed.
    pollfd p{m_records->logind.at(index).lockWriteEnd, POLLOUT, 0};
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLERR);
}

void FakeDesktopServices::emitActionInvoked(uint id, const QString &actionKey)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                   QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
    signal << id << actionKey;
    m_bus.send(signal);
}

void FakeDesktopServices::emitNotificationClosed(uint id, uint reason)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                     QStringLiteral("org.freedesktop.Notifications"),
                                                     QStringLiteral("NotificationClosed"));
    signal << id << reason;
    m_bus.send(signal);
}

} // namespace tavrel::test

#include "fakedesktopservices.moc"
