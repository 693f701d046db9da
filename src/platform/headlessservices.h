// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real platform services a run without a window needs: free space, folder references and the
// sleep inhibitor. They need neither a display nor a session bus; the caller adds its own alerts
// and panels and installs the set.
#include "platform/api/services.h"
#include "platform/dbussleepinhibitor.h"
#include "platform/jsonbookmarks.h"
#include "platform/storagevolumes.h"

namespace tavrel::platform {

class HeadlessServices final
{
    Q_DISABLE_COPY_MOVE(HeadlessServices)

public:
    HeadlessServices() = default;

    DBusSleepInhibitor &sleepInhibitor() { return m_sleepInhibitor; }
    StorageVolumes &volumes() { return m_volumes; }
    JsonBookmarks &bookmarks() { return m_bookmarks; }

    // These services filled in, the others left empty.
    Services services()
    {
        Services s;
        s.sleepInhibitor = &m_sleepInhibitor;
        s.volumes = &m_volumes;
        s.bookmarks = &m_bookmarks;
        return s;
    }

private:
    StorageVolumes m_volumes;
    JsonBookmarks m_bookmarks;
    DBusSleepInhibitor m_sleepInhibitor;
};

} // namespace tavrel::platform
