// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QStringList>
#include <QVariantMap>

#include "conversion/valuetransformers.h"

using namespace tavrel;

TEST(ValueTransformers, StatusRules)
{
    StatusIsQueuedValueTransformer queued;
    StatusNotRunningValueTransformer notRunning;
    StatusNotQueuedAndPausedValueTransformer notQueuedAndPaused;
    StatusNotFinishedValueTransformer notFinished;
    // State:                 missing  0  1  2  3  4
    const int isQueued[] = {1, 1, 0, 0, 0, 0};
    const int notRun[] = {1, 1, 0, 1, 1, 1};
    const int notQP[] = {0, 0, 1, 0, 1, 1};
    const int notFin[] = {1, 1, 1, 1, 0, 0};
    const QVariant values[] = {QVariant(), QVariant(0), QVariant(1), QVariant(2), QVariant(qint64(3)), QVariant(4u)};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(queued.transformedValue(values[i]), QVariant(isQueued[i]));
        EXPECT_EQ(notRunning.transformedValue(values[i]), QVariant(notRun[i]));
        EXPECT_EQ(notQueuedAndPaused.transformedValue(values[i]), QVariant(notQP[i]));
        EXPECT_EQ(notFinished.transformedValue(values[i]), QVariant(notFin[i]));
    }
}

TEST(ValueTransformers, NonEmptyCollection)
{
    NonEmptyCollectionValueTransformer t;
    EXPECT_EQ(t.transformedValue(QVariant()), QVariant(0));
    EXPECT_EQ(t.transformedValue(QVariantList{}), QVariant(0));
    EXPECT_EQ(t.transformedValue(QVariantList{1}), QVariant(1));
    EXPECT_EQ(t.transformedValue(QStringList{}), QVariant(0));
    EXPECT_EQ(t.transformedValue(QStringList{QStringLiteral("a")}), QVariant(1));
    EXPECT_EQ(t.transformedValue(QVariant::fromValue(QList<int>{1, 2})), QVariant(1));
    EXPECT_EQ(t.transformedValue(QVariantMap{{QStringLiteral("k"), 1}}), QVariant(1));
    // Text and numbers have no count.
    EXPECT_EQ(t.transformedValue(QStringLiteral("abc")), QVariant(0));
    EXPECT_EQ(t.transformedValue(QVariant(5)), QVariant(0));
}
