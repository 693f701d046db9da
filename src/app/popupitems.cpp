// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/popupitems.h"

#include <QSet>

#include <algorithm>

namespace tavrel {

PopUpItems fixedDestinationItems(int chooseFolderTag)
{
    return {
        {QStringLiteral("Ask Each Time"), PopUpItem::Kind::Item, -1, {}},
        {QString(), PopUpItem::Kind::Separator, -1, {}},
        {QStringLiteral("Choose Folder…"), PopUpItem::Kind::ChooseFolder, chooseFolderTag, {}},
    };
}

PopUpItems rebuiltDestinationItems(const PopUpItems &current, const QStringList &names)
{
    PopUpItems items = current;
    while (items.size() > 3)
        items.removeAt(1);
    if (!names.isEmpty()) {
        items.insert(qMin<qsizetype>(1, items.size()), PopUpItem{QString(), PopUpItem::Kind::Separator, -1, {}});
        for (qsizetype i = names.size() - 1; i >= 0; --i)
            items.insert(qMin<qsizetype>(2, items.size()), PopUpItem{names.at(i), PopUpItem::Kind::Item, -1, {}});
    }
    return items;
}

int selectableDestinationIndex(const PopUpItems &items, qint64 defaultDestination)
{
    if (defaultDestination >= 0 && defaultDestination < items.size()
        && items.at(defaultDestination).kind == PopUpItem::Kind::Item)
        return int(defaultDestination);
    return 0;
}

std::optional<int> folderForDestinationIndex(qint64 index, qsizetype folderCount)
{
    if (index >= 2 && index <= qint64(folderCount) + 1)
        return int(index - 2);
    return std::nullopt;
}

qint64 repairedDefaultDestination(qint64 defaultDestination, qsizetype folderCount)
{
    // Read as unsigned, as the stored value was, so a negative value counts as past the end.
    const quint64 last = quint64(folderCount) + 1;
    quint64 value = quint64(defaultDestination);
    if (value > last)
        value = last;
    if (value == 1)
        value = 0;
    return qint64(value);
}

qint64 defaultDestinationAfterDropping(qint64 defaultDestination, qsizetype folderCount,
                                       const QList<qsizetype> &dropped)
{
    const QSet<qsizetype> gone(dropped.cbegin(), dropped.cend());
    const std::optional<int> folder = folderForDestinationIndex(defaultDestination, folderCount);
    if (!folder || gone.contains(*folder))
        return repairedDefaultDestination(defaultDestination, folderCount - gone.size());
    const auto before = std::count_if(gone.cbegin(), gone.cend(), [&](qsizetype index) { return index < *folder; });
    return qint64(*folder - before) + 2;
}

qint64 destinationIndexAfterForgetting(qint64 index, qsizetype folderCount, qsizetype forgotten)
{
    const std::optional<int> folder = folderForDestinationIndex(index, folderCount);
    if (!folder || *folder == forgotten)
        return 0;
    return *folder > forgotten ? index - 1 : index;
}

} // namespace tavrel
