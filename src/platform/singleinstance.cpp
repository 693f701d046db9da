// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/singleinstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tavrel {

QStringList absolutePaths(const QStringList &paths)
{
    QStringList result;
    for (const QString &path : paths) {
        // The desktop entry passes paths, but a file URL from a file manager is taken too.
        const QUrl url(path);
        const QString local = url.isLocalFile() && path.startsWith(QStringLiteral("file:")) ? url.toLocalFile() : path;
        result.append(QDir::cleanPath(QFileInfo(local).absoluteFilePath()));
    }
    return result;
}

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

SingleInstance::Role SingleInstance::claim(const QStringList &paths)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Role::Primary;

    const QString service = QString::fromLatin1(kSingleInstanceService);
    const auto reply = bus.interface()->registerService(service, QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        bus.registerObject(QString::fromLatin1(kSingleInstancePath), this, QDBusConnection::ExportScriptableSlots);
        return Role::Primary;
    }

    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QString::fromLatin1(kSingleInstancePath),
                                       QString::fromLatin1(kSingleInstanceInterface), QStringLiteral("openFiles"));
    call << paths;
    // The running instance answers at once; one that hangs must not keep this launch waiting.
    const QDBusMessage answer = bus.call(call, QDBus::Block, 5000);
    if (answer.type() == QDBusMessage::ReplyMessage)
        return Role::HandedOver;
    return Role::Primary;
}

void SingleInstance::openFiles(const QStringList &paths)
{
    if (m_handler)
        m_handler(paths);
}

} // namespace tavrel
