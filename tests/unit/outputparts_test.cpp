// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "conversion/outputparts.h"

using namespace tavrel;

TEST(OutputParts, ReadsSplitSizes)
{
    const std::pair<const char *, quint64> accepted[] = {
        {"4G", 4 * kGibibyte},   {"700M", 700 * kMebibyte},      {"1.5G", 3 * kGibibyte / 2}, {"2048k", 2 * kMebibyte},
        {"4GiB", 4 * kGibibyte}, {" 3T ", 3 * 1024 * kGibibyte}, {"1048576", kMebibyte}};
    for (const auto &[text, bytes] : accepted)
        EXPECT_EQ(parseSplitSize(QString::fromLatin1(text)), bytes) << text;
    // Too small, zero, negative, a fraction of a byte, decimal units, junk, overflow.
    for (const char *text : {"0.5M", "1048575", "0", "0G", "-4G", "1.5", "4GB", "G", "", "4 G x", "1.G",
                             "99999999999999999999", "17000000000T"})
        EXPECT_EQ(parseSplitSize(QString::fromLatin1(text)), std::nullopt) << text;
}

TEST(OutputParts, NamesParts)
{
    EXPECT_EQ(partPath(QStringLiteral("/dir/Movie.mp4"), 2), QStringLiteral("/dir/Movie - Part 2.mp4"));
    EXPECT_EQ(partPath(QStringLiteral("/d.v/Movie.2020.m4v"), 10), QStringLiteral("/d.v/Movie.2020 - Part 10.m4v"));
    EXPECT_EQ(partPath(QStringLiteral("/d.v/Movie"), 1), QStringLiteral("/d.v/Movie - Part 1"));
    // ffmpeg reads the pattern's '%' as its own.
    EXPECT_EQ(partPattern(QStringLiteral("/dir/100% Movie.mp4")), QStringLiteral("/dir/100%% Movie - Part %d.mp4"));
}

TEST(OutputParts, PlansCutsUnderTheTarget)
{
    const double mib = double(kMebibyte);
    const QList<double> everyTwoSeconds{0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40};
    const struct
    {
        const char *name;
        double duration, rate;
        quint64 limit;
        QList<double> keyframes, cuts;
    } rows[] = {
        {"fits", 60, mib / 10, 8 * kMebibyte, {}, {}},
        {"even halves, no tiny remainder", 60, mib / 6, 8 * kMebibyte, {}, {30}},
        {"three parts", 60, mib / 3, 8 * kMebibyte, {}, {20, 40}},
        {"nearest keyframe", 60, mib / 6, 8 * kMebibyte, {0, 13, 29, 33, 50}, {29}},
        {"keyframe past the target avoided", 60, mib / 6, 8 * kMebibyte, {0, 10, 47.5}, {10, 47.5}},
        {"only a late keyframe", 60, mib, 8 * kMebibyte, {0, 50}, {50}},
        {"no keyframe left", 60, mib, 8 * kMebibyte, {0}, {}},
        {"two-second keyframes", 60, mib / 3, 8 * kMebibyte, everyTwoSeconds, {20, 40}},
        {"FAT, two hours copied at 8 Mbit/s", 7200, 1e6, kFatPartLimit, {}, {3600}},
        {"no rate", 60, 0, 8 * kMebibyte, {}, {}},
    };
    for (const auto &row : rows)
        EXPECT_EQ(planCuts(row.duration, row.rate, row.limit, row.keyframes).cutTimes, row.cuts) << row.name;
    EXPECT_EQ(segmentOutputArguments({20.0217, 40}, QStringLiteral("/o/M - Part %d.mp4"), true),
              (QStringList{"-force_key_frames", "20.021,40.000", "-avoid_negative_ts", "disabled", "-f", "segment",
                           "-segment_format", "mp4", "-segment_times", "20.021,40.000", "-segment_start_number", "1",
                           "-reset_timestamps", "1", "/o/M - Part %d.mp4"}));
}

TEST(OutputParts, DecidesWhetherToSplit)
{
    using K = SplitDecision::Kind;
    const std::optional<quint64> fat = 4294967295ull, ext4;
    const SplitChoice autoChoice, never{SplitChoice::Mode::Never, 0}, size8M{SplitChoice::Mode::Size, 8 * kMebibyte},
        size10G{SplitChoice::Mode::Size, 10 * kGibibyte};
    const quint64 large = 6 * kGibibyte, small = kGibibyte, nearLimit = 4 * kGibibyte - 1;
    const struct
    {
        const char *name;
        std::optional<quint64> volume;
        bool setting;
        SplitChoice choice;
        quint64 estimate;
        K kind;
        quint64 limit;
    } rows[] = {
        {"FAT and large", fat, true, autoChoice, large, K::Parts, kFatPartLimit},
        {"FAT and just under the target", fat, true, autoChoice, kFatPartTarget, K::OneFile, 0},
        {"FAT and past the target", fat, true, autoChoice, kFatPartTarget + 1, K::Parts, kFatPartLimit},
        {"FAT and small", fat, true, autoChoice, small, K::OneFile, 0},
        {"ext4 and large", ext4, true, autoChoice, large, K::OneFile, 0},
        {"setting off, FAT and large", fat, false, autoChoice, large, K::Refuse, 0},
        {"setting off, FAT, fits as before", fat, false, autoChoice, nearLimit, K::OneFile, 0},
        {"never, FAT and large", fat, true, never, large, K::Refuse, 0},
        {"never, ext4 and large", ext4, true, never, large, K::OneFile, 0},
        {"size on ext4", ext4, false, size8M, 9 * kMebibyte, K::Parts, 8 * kMebibyte},
        {"size on ext4, small output", ext4, true, size8M, kMebibyte, K::OneFile, 0},
        {"size past FAT's limit", fat, true, size10G, large, K::Parts, kFatPartLimit},
    };
    for (const auto &row : rows) {
        const SplitDecision decision = decideSplit(row.volume, row.setting, row.choice, row.estimate);
        EXPECT_EQ(decision.kind, row.kind) << row.name;
        EXPECT_EQ(decision.partLimit, row.limit) << row.name;
        EXPECT_EQ(decision.refusal.isEmpty(), row.kind != K::Refuse) << row.name;
    }
    EXPECT_EQ(parseSplitChoice(QStringLiteral("4G"))->size, 4 * kGibibyte);
    EXPECT_EQ(parseSplitChoice(QStringLiteral("never"))->mode, SplitChoice::Mode::Never);
    EXPECT_FALSE(parseSplitChoice(QStringLiteral("sometimes")));
}
