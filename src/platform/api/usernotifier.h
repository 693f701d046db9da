// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QVariantMap>

#include <functional>

namespace tavrel::platform {

struct UserNotification
{
    QString title;
    QString informativeText;
    QString actionButtonTitle; // empty: no action button
    QVariantMap userInfo;      // "path" for a finished conversion
    QString soundName = QStringLiteral("default");
};

// Desktop notifications. With no notification service nothing is shown and nothing else changes.
class UserNotifier
{
public:
    virtual ~UserNotifier() = default;
    virtual void deliver(const UserNotification &notification) = 0;
    // Called when the user clicks a notification (or its action) that this notifier sent.
    void setActivationHandler(std::function<void(const QVariantMap &userInfo)> handler)
    {
        m_handler = std::move(handler);
    }

protected:
    void activated(const QVariantMap &userInfo) const
    {
        if (m_handler)
            m_handler(userInfo);
    }

private:
    std::function<void(const QVariantMap &)> m_handler;
};

} // namespace tavrel::platform
