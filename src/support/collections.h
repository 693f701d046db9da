// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small operations over lists.
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tavrel {

template<typename T>
qint64 collect(const QList<T> &list, const std::function<qint32(const T &)> &block)
{
    qint64 sum = 0;
    for (const T &item : list)
        sum += qint64(block(item));
    return sum;
}
template<typename T>
std::optional<T> safeObjectAtIndex(const QList<T> &list, qsizetype index)
{
    if (index < 0 || index >= list.size())
        return std::nullopt;
    return list.at(index);
}
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
