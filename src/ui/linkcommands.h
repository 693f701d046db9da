// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The menu's link commands: the controller's link tags with their titles, and which of them
// lead anywhere with the addresses configured at build time.
#include <QList>
#include <QString>

namespace tavrel {

struct LinkCommand
{
    int tag;
    QString title;
};

// All six, in menu order.
QList<LinkCommand> linkCommands();
// Those whose link is not empty (a product page that was never configured is left out).
QList<LinkCommand> availableLinkCommands();

} // namespace tavrel
