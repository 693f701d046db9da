// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening URLs with their default handlers and showing files in the desktop's file manager.
#include <QDBusConnection>
#include <QObject>

#include "platform/api/workspace.h"

namespace tavrel::platform {

// A QObject only as the context of its pending bus calls (no signals or slots of its own).
class DesktopWorkspace final : public QObject, public Workspace
{
    Q_DISABLE_COPY_MOVE(DesktopWorkspace)

public:
    explicit DesktopWorkspace(const QDBusConnection &bus = QDBusConnection::sessionBus());

    bool openUrl(const QUrl &url) override;
    // Asks the file manager (FileManager1.ShowItems) to select the files; when it cannot, the
    // folders that hold them are opened instead.
    void revealFiles(const QStringList &paths) override;
    bool shiftHeld() const override;

    // The file:// URIs ShowItems receives, fully percent-encoded.
    static QStringList fileUris(const QStringList &paths);

private:
    void openContainingFolders(const QStringList &paths);

    QDBusConnection m_bus;
};

} // namespace tavrel::platform
