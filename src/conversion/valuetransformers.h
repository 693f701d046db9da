// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Yes/no values (integer numbers 1 and 0) that the window's controls follow: from a job state
// or from a collection.
#include <QVariant>

namespace tavrel {

class NumberValueTransformer
{
public:
    virtual ~NumberValueTransformer() = default;
    virtual QVariant transformedValue(const QVariant &value) const = 0;
};

class NonEmptyCollectionValueTransformer final : public NumberValueTransformer
{
public:
    // Lists, string lists, maps and any other sequence with at least one element.
    QVariant transformedValue(const QVariant &value) const override;
};

class StatusIsQueuedValueTransformer final : public NumberValueTransformer
{
public:
    QVariant transformedValue(const QVariant &value) const override;
};

class StatusNotRunningValueTransformer final : public NumberValueTransformer
{
public:
    QVariant transformedValue(const QVariant &value) const override;
};

class StatusNotQueuedAndPausedValueTransformer final : public NumberValueTransformer
{
public:
    QVariant transformedValue(const QVariant &value) const override;
};

class StatusNotFinishedValueTransformer final : public NumberValueTransformer
{
public:
    QVariant transformedValue(const QVariant &value) const override;
};

} // namespace tavrel
