// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The platform services the core uses, installed once at start-up (the real ones) or by a test
// (scripted ones). Each pointer is non-owning and stays valid while installed.
#include "platform/api/alertpresenter.h"
#include "platform/api/bookmarks.h"
#include "platform/api/launcherentry.h"
#include "platform/api/panels.h"
#include "platform/api/sleepinhibitor.h"
#include "platform/api/usernotifier.h"
#include "platform/api/volumeinfo.h"
#include "platform/api/workspace.h"

namespace tavrel::platform {

struct Services
{
    AlertPresenter *alerts = nullptr;
    Panels *panels = nullptr;
    UserNotifier *notifier = nullptr;
    SleepInhibitor *sleepInhibitor = nullptr;
    Workspace *workspace = nullptr;
    VolumeInfo *volumes = nullptr;
    Bookmarks *bookmarks = nullptr;
    LauncherEntry *launcherEntry = nullptr;
};

inline Services &services()
{
    static Services s;
    return s;
}
inline void install(const Services &s)
{
    services() = s;
}

} // namespace tavrel::platform
