// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small operations over lists.
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tavrel {

template<typename T>
QList<T> arrayByRemovingObjectsAtIndexes(const QList<T> &list, const QSet<qsizetype> &indexes)
{
    QList<T> result;
    for (qsizetype i = 0; i < list.size(); ++i)
        if (!indexes.contains(i))
            result.append(list.at(i));
    return result;
}
// "" past the end
inline QString safeStringAtIndex(const QStringList &list, qsizetype index)
{
    return index < 0 || index >= list.size() ? QStringLiteral("") : list.at(index);
}

} // namespace tavrel
