#include "platform/realservices.h"

#include "tavrel_config.h"

namespace tavrel::platform {

RealServices::RealServices()
    : m_launcherEntry(QStringLiteral(TAVREL_BUNDLE_IDENTIFIER ".desktop"))
    , m_previous(services())
{
    install({&m_alerts, &m_panels, &m_notifier, &m_sleepInhibitor, &m_workspace, &m_volumes, &m_bookmarks,
             &m_launcherEntry});
}

RealServices::~RealServices()
{
    install(m_previous);
}

} // namespace tavrel::platform
