// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbusnotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>

#include "support/log.h"
#include "support/ossorylib.h"
#include "tavrel_config.h"

namespace tavrel::platform {
namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

// QDBusConnection::connect takes its receivers by slot signature, so the signals need a QObject
// with real slots; it lives here to keep the public header free of moc and D-Bus types.
class DBusNotifier::Receiver final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Receiver)

public:
    explicit Receiver(DBusNotifier &owner) : m_owner(owner) {}

public Q_SLOTS:
    void onActionInvoked(uint id, const QString &actionKey)
    {
        Q_UNUSED(actionKey) // the body ("default") and the button do the same thing
        m_owner.actionInvoked(id);
    }
    void onNotificationClosed(uint id, uint reason)
    {
        Q_UNUSED(reason)
        m_owner.notificationClosed(id);
    }

private:
    DBusNotifier &m_owner;
};

DBusNotifier::DBusNotifier(const QDBusConnection &bus) : m_bus(bus), m_receiver(std::make_unique<Receiver>(*this))
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), m_receiver.get(),
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), m_receiver.get(),
                  SLOT(onNotificationClosed(uint, uint)));
}

DBusNotifier::~DBusNotifier()
{
    if (!m_bus.isConnected())
        return;
    m_bus.disconnect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), m_receiver.get(),
                     SLOT(onActionInvoked(uint, QString)));
    m_bus.disconnect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), m_receiver.get(),
                     SLOT(onNotificationClosed(uint, uint)));
}

QString DBusNotifier::soundHint(const QString &soundName)
{
    // The freedesktop sound-naming equivalent of the platform's default notification sound.
    if (soundName == QLatin1String("default"))
        return QStringLiteral("message-new-instant");
    return soundName;
}

void DBusNotifier::deliver(const UserNotification &notification)
{
    if (!m_bus.isConnected()) {
        asl_NSLog_debug(QStringLiteral("notification not shown: no session bus"));
        return;
    }

    // "default" makes a click on the notification's body count as well as one on the button.
    QStringList actions;
    if (!notification.actionButtonTitle.isEmpty())
        actions << QStringLiteral("default") << notification.actionButtonTitle;
    QVariantMap hints;
    const QString sound = soundHint(notification.soundName);
    if (!sound.isEmpty())
        hints.insert(QStringLiteral("sound-name"), sound);

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << appName() << uint(0) << QStringLiteral(TAVREL_BUNDLE_IDENTIFIER) << notification.title
         << notification.informativeText << actions << hints << int(-1);

    // Parented to the receiver: a reply that arrives after this notifier is gone is dropped.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), m_receiver.get());
    const QVariantMap userInfo = notification.userInfo;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, m_receiver.get(),
                     [this, userInfo](QDBusPendingCallWatcher *w) {
                         w->deleteLater();
                         const QDBusPendingReply<uint> reply = *w;
                         if (reply.isError()) {
                             asl_NSLog_debug(QStringLiteral("notification not shown: %@"), reply.error().message());
                             return;
                         }
                         m_sent.insert(reply.value(), userInfo);
                     });
}

void DBusNotifier::actionInvoked(uint id)
{
    const auto it = m_sent.constFind(id);
    if (it == m_sent.cend())
        return; // another application's notification
    const QVariantMap userInfo = it.value();
    activated(userInfo);
}

void DBusNotifier::notificationClosed(uint id)
{
    m_sent.remove(id);
}

} // namespace tavrel::platform

#include "dbusnotifier.moc"
