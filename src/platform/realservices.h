#pragma once
// The real platform services, owned together and installed for the owner's lifetime.
#include "platform/dbuslauncherentry.h"
#include "platform/dbusnotifier.h"
#include "platform/dbussleepinhibitor.h"
#include "platform/desktopworkspace.h"
#include "platform/filedialogpanels.h"
#include "platform/jsonbookmarks.h"
#include "platform/messageboxalerts.h"
#include "platform/services.h"
#include "platform/storagevolumes.h"

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
    DBusSleepInhibitor &sleepInhibitor() { return m_sleepInhibitor; }
    DesktopWorkspace &workspace() { return m_workspace; }
    StorageVolumes &volumes() { return m_volumes; }
    JsonBookmarks &bookmarks() { return m_bookmarks; }
    DBusLauncherEntry &launcherEntry() { return m_launcherEntry; }

private:
    MessageBoxAlerts m_alerts;
    FileDialogPanels m_panels;
    DBusNotifier m_notifier;
    DBusSleepInhibitor m_sleepInhibitor;
    DesktopWorkspace m_workspace;
    StorageVolumes m_volumes;
    JsonBookmarks m_bookmarks;
    DBusLauncherEntry m_launcherEntry;
    Services m_previous;
};

} // namespace tavrel::platform
