// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStringList>
#include <QUrl>

namespace tavrel::platform {

// Opening URLs with their default handlers and revealing files in the file manager.
class Workspace
{
public:
    virtual ~Workspace() = default;
    virtual bool openUrl(const QUrl &url) = 0;
    virtual void revealFiles(const QStringList &paths) = 0; // select them in the file manager
    virtual bool shiftHeld() const = 0;                     // current keyboard modifiers
};

} // namespace tavrel::platform
