// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/desktopworkspace.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include "support/log.h"

namespace tavrel::platform {

DesktopWorkspace::DesktopWorkspace(const QDBusConnection &bus) : m_bus(bus) {}

bool DesktopWorkspace::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

QStringList DesktopWorkspace::fileUris(const QStringList &paths)
{
    QStringList uris;
    uris.reserve(paths.size());
    for (const QString &path : paths)
        uris << QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
    return uris;
}

void DesktopWorkspace::revealFiles(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    if (!m_bus.isConnected()) {
        openContainingFolders(paths);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << fileUris(paths) << QString();
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, paths](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<> reply = *w;
        if (reply.isError()) {
            asl_NSLog_debug(QStringLiteral("ShowItems failed: %@"), reply.error().message());
            openContainingFolders(paths);
        }
    });
}

void DesktopWorkspace::openContainingFolders(const QStringList &paths)
{
    QStringList folders;
    for (const QString &path : paths) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
    }
    for (const QString &folder : folders)
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DesktopWorkspace::shiftHeld() const
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

} // namespace tavrel::platform
