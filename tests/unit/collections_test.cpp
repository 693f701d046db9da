// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "support/collections.h"

using namespace tavrel;
using namespace Qt::StringLiterals;

namespace {

TEST(Collections, SafeIndexAndRemoval)
{
    EXPECT_EQ(safeStringAtIndex({u"a"_s}, 0), u"a"_s);
    EXPECT_EQ(safeStringAtIndex({u"a"_s}, 3), u""_s);
    EXPECT_EQ(safeStringAtIndex({u"a"_s}, -1), u""_s);
    EXPECT_EQ(arrayByRemovingObjectsAtIndexes(QList<int>{0, 1, 2, 3}, {0, 2, 9}), (QList<int>{1, 3}));
}

} // namespace
