// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/valuetransformers.h"

#include <QAssociativeIterable>
#include <QSequentialIterable>

#include "conversion/jobstate.h"

namespace tavrel {

namespace {
// A missing value, or one that is no number, reads as 0 (Queued).
qint64 stateOf(const QVariant &value)
{
    bool ok = false;
    const qint64 state = value.toLongLong(&ok);
    return ok ? state : 0;
}

QVariant yesNo(bool yes)
{
    return QVariant(yes ? 1 : 0);
}
} // namespace

QVariant NonEmptyCollectionValueTransformer::transformedValue(const QVariant &value) const
{
    if (!value.isValid() || value.isNull())
        return yesNo(false);
    // Text is no collection, though Qt can view it as a sequence of characters or bytes.
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<QString>() || type == QMetaType::fromType<QByteArray>())
        return yesNo(false);
    if (value.canConvert<QSequentialIterable>()) {
        const QSequentialIterable items = value.value<QSequentialIterable>();
        return yesNo(items.begin() != items.end());
    }
    if (value.canConvert<QAssociativeIterable>()) {
        const QAssociativeIterable items = value.value<QAssociativeIterable>();
        return yesNo(items.begin() != items.end());
    }
    return yesNo(false);
}

QVariant StatusIsQueuedValueTransformer::transformedValue(const QVariant &value) const
{
    return yesNo(stateOf(value) == Queued);
}

QVariant StatusNotRunningValueTransformer::transformedValue(const QVariant &value) const
{
    return yesNo(stateOf(value) != Converting);
}

QVariant StatusNotQueuedAndPausedValueTransformer::transformedValue(const QVariant &value) const
{
    const qint64 state = stateOf(value);
    return yesNo(state != Queued && state != Paused);
}

QVariant StatusNotFinishedValueTransformer::transformedValue(const QVariant &value) const
{
    const qint64 state = stateOf(value);
    return yesNo(state != Finished && state != Failed);
}

} // namespace tavrel
