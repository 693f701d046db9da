// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "conversion/freespace.h"

using namespace tavrel;

TEST(FreeSpace, Decisions)
{
    const QString boot = QStringLiteral("There is not enough free space on your boot disk for conversion.");
    const QString target = QStringLiteral("There is not enough free space on your target disk for conversion.");
    const QString large = QStringLiteral("Your target disk doesn't support large files.");
    const quint64 gb = 1000000000ull;
    const struct
    {
        const char *name;
        FreeSpaceFigures figures;
        std::optional<QString> refusal;
    } rows[] = {
        {"exactly enough on the same volume", {10, 10, std::nullopt, 10}, std::nullopt},
        {"one byte short on the same volume", {9, 9, std::nullopt, 10}, boot},
        {"full documents volume, roomy target", {0, 100, std::nullopt, 10}, std::nullopt},
        {"target too small", {100, 9, std::nullopt, 10}, target},
        {"FAT target for a 5 GB source", {1000 * gb, 2000 * gb, 4294967295ull, 5 * gb}, large},
        {"FAT target for a 4 GiB - 1 source", {1000 * gb, 2000 * gb, 4294967295ull, 4294967295ull}, std::nullopt},
        {"no maximum size reported", {1000 * gb, 2000 * gb, std::nullopt, 5 * gb}, std::nullopt},
        {"empty source", {0, 0, 0ull, 0}, std::nullopt},
        {"nothing readable", {0, 0, std::nullopt, 1}, boot},
        {"target unreadable", {50, 0, std::nullopt, 1}, target},
    };
    for (const auto &row : rows)
        EXPECT_EQ(decideFreeSpace(row.figures).refusal, row.refusal) << row.name;
}

TEST(FreeSpace, TracesTheCheckMade)
{
    EXPECT_EQ(decideFreeSpace({1073741824ull * 3, 1073741824ull * 3, std::nullopt, 1073741824ull / 2}).trace,
              QStringLiteral("checking boot disk for free space of 0.500000GB (3.000000GB free)"));
    EXPECT_EQ(decideFreeSpace({1, 1073741824ull, std::nullopt, 0}).trace,
              QStringLiteral("checking target disk for free space of 0.000000GB (1.000000GB free)"));
}
