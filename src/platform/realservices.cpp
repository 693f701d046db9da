#include "platform/realservices.h"

namespace tavrel::platform {

RealServices::RealServices()
    : m_previous(services())
{
    install({&m_alerts, &m_panels, &m_notifier, &m_sleepInhibitor, &m_workspace, &m_volumes, &m_bookmarks});
}

RealServices::~RealServices()
{
    install(m_previous);
}

} // namespace tavrel::platform
