// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/linkcommands.h"

#include "support/ossorylib.h"
#include "support/supportlinks.h"

namespace tavrel {

QList<LinkCommand> linkCommands()
{
    return {
        {1, QStringLiteral("Send Support Request…")},
        {2, QStringLiteral("Test Beta Versions…")},
        {3, appName() + QStringLiteral(" Website")},
        {4, QStringLiteral("Product Page")},
        {5, QStringLiteral("Product Page in the Store Application")},
        {6, QStringLiteral("Download Page")},
    };
}

QList<LinkCommand> availableLinkCommands()
{
    const LinkValues values = currentLinkValues();
    QList<LinkCommand> available;
    for (const LinkCommand &command : linkCommands())
        if (!controllerLink(command.tag, values).isEmpty())
            available.append(command);
    return available;
}

} // namespace tavrel
