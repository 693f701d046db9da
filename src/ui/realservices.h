// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real platform services of the window, owned together and installed for the owner's
// lifetime: the headless ones plus message boxes, file dialogs, notifications, the file manager
// and the launcher entry.
#include "platform/api/services.h"
#include "platform/dbuslauncherentry.h"
#include "platform/dbusnotifier.h"
#include "platform/headlessservices.h"
#include "ui/desktopworkspace.h"
#include "ui/filedialogpanels.h"
#include "ui/messageboxalerts.h"

namespace tavrel::platform {

class RealServices final
{
    Q_DISABLE_COPY_MOVE(RealServices)

public:
    RealServices();  // installs them (platform::install)
    ~RealServices(); // puts back what was installed before

    MessageBoxAlerts &alerts() { return m_alerts; }
    FileDialogPanels &panels() { return m_panels; }
    DBusNotifier &notifier() { return m_notifier; }
    DBusSleepInhibitor &sleepInhibitor() { return m_headless.sleepInhibitor(); }
    DesktopWorkspace &workspace() { return m_workspace; }
    StorageVolumes &volumes() { return m_headless.volumes(); }
    JsonBookmarks &bookmarks() { return m_headless.bookmarks(); }
    DBusLauncherEntry &launcherEntry() { return m_launcherEntry; }

private:
    MessageBoxAlerts m_alerts;
    FileDialogPanels m_panels;
    DBusNotifier m_notifier;
    HeadlessServices m_headless;
    DesktopWorkspace m_workspace;
    DBusLauncherEntry m_launcherEntry;
    Services m_previous;
};

} // namespace tavrel::platform
