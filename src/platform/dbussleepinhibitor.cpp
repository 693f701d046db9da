// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbussleepinhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>

#include "support/log.h"
#include "support/ossorylib.h"

namespace tavrel::platform {
namespace {

constexpr uint kPortalInhibitSuspend = 4;

// Held through a portal Request object; closing the request ends the inhibition.
class PortalAssertion final : public SleepAssertion
{
public:
    PortalAssertion(const QDBusConnection &bus, const QString &service, const QString &handle)
        : m_bus(bus), m_service(service), m_handle(handle)
    {
    }
    ~PortalAssertion() override
    {
        // Fire and forget: releasing must not wait on the bus.
        m_bus.send(QDBusMessage::createMethodCall(m_service, m_handle, QStringLiteral("org.freedesktop.portal.Request"),
                                                  QStringLiteral("Close")));
    }

private:
    QDBusConnection m_bus;
    QString m_service;
    QString m_handle;
};

// logind holds the lock while any copy of its descriptor is open: keep the descriptor object
// itself, so the lock lives exactly as long as this assertion.
class LogindAssertion final : public SleepAssertion
{
public:
    explicit LogindAssertion(const QDBusUnixFileDescriptor &fd) : m_fd(fd) {}

private:
    QDBusUnixFileDescriptor m_fd;
};

QDBusMessage callBlocking(const QDBusConnection &bus, const QDBusMessage &message)
{
    return bus.call(message, QDBus::Block, DBusSleepInhibitor::kCallTimeoutMs);
}

} // namespace

DBusSleepInhibitor::DBusSleepInhibitor(const QDBusConnection &sessionBus, const QDBusConnection &systemBus)
    : m_session(sessionBus), m_system(systemBus)
{
}

std::unique_ptr<SleepAssertion> DBusSleepInhibitor::acquire(const QString &reason)
{
    if (auto held = acquireFromPortal(reason))
        return held;
    if (auto held = acquireFromLogind(reason))
        return held;
    asl_NSLog_debug(QStringLiteral("no sleep assertion held: neither the portal nor logind answered"));
    return nullptr;
}

std::unique_ptr<SleepAssertion> DBusSleepInhibitor::acquireFromPortal(const QString &reason)
{
    if (!m_session)
        m_session = QDBusConnection::sessionBus();
    if (!m_session->isConnected())
        return nullptr;

    const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/portal/desktop"),
                                       QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    call << QString() << kPortalInhibitSuspend << QVariantMap{{QStringLiteral("reason"), reason}};
    const QDBusMessage reply = callBlocking(*m_session, call);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        asl_NSLog_debug(QStringLiteral("portal inhibit failed: %@"), reply.errorMessage());
        return nullptr;
    }
    const QString handle = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    if (handle.isEmpty())
        return nullptr;
    return std::make_unique<PortalAssertion>(*m_session, service, handle);
}

std::unique_ptr<SleepAssertion> DBusSleepInhibitor::acquireFromLogind(const QString &reason)
{
    if (!m_system)
        m_system = QDBusConnection::systemBus();
    if (!m_system->isConnected())
        return nullptr;

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << appName() << reason << QStringLiteral("block");
    const QDBusMessage reply = callBlocking(*m_system, call);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        asl_NSLog_debug(QStringLiteral("logind inhibit failed: %@"), reply.errorMessage());
        return nullptr;
    }
    const auto fd = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
    if (!fd.isValid())
        return nullptr;
    return std::make_unique<LogindAssertion>(fd);
}

} // namespace tavrel::platform
