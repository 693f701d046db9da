// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "conversion/jobstate.h"
#include "conversion/statusline.h"
#include "testrequests.h"

using namespace tavrel;

namespace {
const QList<AudioTrackFacts> kThree = test::audioTracksFrom(
    {QStringLiteral("#1: eng (ac3) [5.1]"), QStringLiteral("#2: ger (dts) [5.1]"), QStringLiteral("#3: unk (aac)")});
} // namespace

TEST(StatusLine, StatesWithoutDetails)
{
    EXPECT_EQ(stateInfoString(Queued, kThree, 1, 0.0f, 0, 0), QStringLiteral("Status: Queued"));
    EXPECT_EQ(stateInfoString(Paused, kThree, 1, 40.0f, 30, 0), QStringLiteral("Status: Paused"));
    EXPECT_EQ(stateInfoString(Failed, kThree, 1, 100.0f, 30, 30),
              QStringLiteral("Status: Failed   Click the arrow at the right to get more information."));
}

TEST(StatusLine, FinishedShowsWholeSecondsTaken)
{
    EXPECT_EQ(stateInfoString(Finished, kThree, 1, 100.0f, 0, 59.9),
              QStringLiteral("Status: Finished [Conversion took: 59s]"));
    EXPECT_EQ(stateInfoString(Finished, {}, 1, 100.0f, 0, 125.7),
              QStringLiteral("Status: Finished [Conversion took: 2m 5s]"));
}

TEST(StatusLine, ConvertingNamesTheTrackAndTheDiscardedOnesInOrder)
{
    EXPECT_EQ(stateInfoString(Converting, kThree, 2, 25.0f, 60.0, 0),
              QStringLiteral("Status: Converting   Audio:  ger (dts) [5.1] (Discarded:  eng (ac3) [5.1],  unk (aac))"
                             "   ETA: 3m 0s"));
    EXPECT_EQ(stateInfoString(Converting, test::audioTracksFrom({QStringLiteral("#1: eng (aac)")}), 1, 50.0f, 10.0, 0),
              QStringLiteral("Status: Converting   Audio:  eng (aac)   ETA: 10s"));
}

TEST(StatusLine, WithoutAudioAtTheIndexOnlyTheTimeLeftIsShown)
{
    EXPECT_EQ(stateInfoString(Converting, {}, 1, 50.0f, 10.0, 0), QStringLiteral("Status: Converting   ETA: 10s"));
    EXPECT_EQ(stateInfoString(Converting, kThree, 4, 50.0f, 10.0, 0), QStringLiteral("Status: Converting   ETA: 10s"));
}

TEST(StatusLine, TimeLeftIsCappedAtFiveHoursAndNeverNegative)
{
    const struct
    {
        float progress;
        double elapsed;
        double left;
    } rows[] = {
        {25.0f, 60.0, 180.0},
        {0.0f, 60.0, 18000.0}, // no progress yet: infinity, capped
        {0.0f, 0.0, 18000.0},  // nothing known at all
        {0.01f, 600.0, 18000.0},
        {100.0f, 600.0, 0.0},
        {250.0f, 600.0, 0.0}, // progress beyond 100 (longer than the stated running time)
        {std::numeric_limits<float>::infinity(), 600.0, 0.0}, // no running time known
    };
    for (const auto &row : rows)
        EXPECT_DOUBLE_EQ(estimatedSecondsLeft(row.progress, row.elapsed), row.left) << row.progress;
    EXPECT_EQ(stateInfoString(Converting, {}, 1, 0.0f, 1.0, 0), QStringLiteral("Status: Converting   ETA: 300m 0s"));
    EXPECT_EQ(stateInfoString(Converting, {}, 1, 100.0f, 1.0, 0), QStringLiteral("Status: Converting   ETA: 0s"));
}
