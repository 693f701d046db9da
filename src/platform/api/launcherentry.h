// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGlobal>

namespace tavrel::platform {

// The application's entry in the desktop's task manager or dock, which can show a progress bar.
class LauncherEntry
{
public:
    virtual ~LauncherEntry() = default;
    // progress from 0 to 1; visible false takes the bar away.
    virtual void setProgress(double progress, bool visible) = 0;
};

} // namespace tavrel::platform
