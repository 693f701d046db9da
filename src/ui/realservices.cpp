// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/realservices.h"

#include "tavrel_config.h"

namespace tavrel::platform {

RealServices::RealServices()
    : m_launcherEntry(QStringLiteral(TAVREL_BUNDLE_IDENTIFIER ".desktop")), m_previous(services())
{
    Services all = m_headless.services();
    all.alerts = &m_alerts;
    all.panels = &m_panels;
    all.notifier = &m_notifier;
    all.workspace = &m_workspace;
    all.launcherEntry = &m_launcherEntry;
    install(all);
}

RealServices::~RealServices()
{
    install(m_previous);
}

} // namespace tavrel::platform
