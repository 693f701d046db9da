// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/popupfill.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace tavrel {

void fillPopUp(QComboBox *popUp, const PopUpItems &items, int selectedIndex)
{
    const QSignalBlocker blocker(popUp);
    popUp->clear();
    for (const PopUpItem &item : items) {
        if (item.kind == PopUpItem::Kind::Separator)
            popUp->insertSeparator(popUp->count());
        else
            popUp->addItem(item.title, item.tag);
        if (!item.detail.isEmpty())
            popUp->setItemData(popUp->count() - 1, item.detail, Qt::ToolTipRole);
    }
    popUp->setCurrentIndex(selectedIndex >= 0 && selectedIndex < popUp->count() ? selectedIndex : 0);
}

} // namespace tavrel
