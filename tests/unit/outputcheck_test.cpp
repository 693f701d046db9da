// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "conversion/outputcheck.h"
#include "qtprinters.h"
#include "testrequests.h"

using namespace tavrel;

namespace {

StreamReport output(bool video, int audio, int subtitles, std::optional<qint64> runtime)
{
    StreamReport report;
    if (video)
        report.videoTrackID = 0;
    for (int i = 0; i < audio; ++i)
        report.audioTracks += test::audioTracksFrom({QStringLiteral("#%1: eng (ac3)").arg(i + 1)});
    report.subtitleCount = subtitles;
    report.runtimeSeconds = runtime;
    return report;
}

} // namespace

TEST(OutputCheck, ExpectsWhatTheArgumentListMaps)
{
    auto info = std::make_shared<MKVFileInfo>();
    info->videoTrackID = 0;
    info->subtitleTrackIDs = {3, 4};
    info->runtimeSeconds = 600;
    info->audioTracks = test::audioTracksFrom({QStringLiteral("#1: eng (aac)")});
    ConversionRequest request;
    request.inspection = info;
    ConversionSettings s;
    AudioPlan plan = audioPlan(info->audioTracks, 1, 0);
    ExpectedOutput expected = expectedOutput(request, plan, s);
    EXPECT_TRUE(expected.video);
    EXPECT_TRUE(expected.audio);
    EXPECT_EQ(expected.subtitles, 0); // embedded subtitles are off by default
    EXPECT_EQ(expected.runtimeSeconds, 600);

    s.disableBuiltinSubtitles = 0;
    request.subtitleFile = QStringLiteral("/m/a.srt");
    info->videoTrackID.reset();
    expected = expectedOutput(request, audioPlan({}, std::nullopt, 0), s);
    EXPECT_FALSE(expected.video);
    EXPECT_FALSE(expected.audio);
    EXPECT_EQ(expected.subtitles, 3);
}

TEST(OutputCheck, NamesWhatIsMissing)
{
    const ExpectedOutput expected{true, true, 2, 600};
    EXPECT_EQ(outputProblem(expected, output(true, 1, 2, 600)), std::nullopt);
    EXPECT_EQ(outputProblem(expected, output(true, 0, 2, 600)), "The converted file lacks the audio track.");
    EXPECT_EQ(outputProblem(expected, output(false, 1, 1, 600)),
              "The converted file lacks the video track and 1 of its 2 subtitle tracks.");
    // An output that the probe cannot read at all lacks everything, the time included.
    EXPECT_EQ(
        outputProblem(expected, StreamReport{}),
        "The converted file lacks the video track and the audio track and 2 of its 2 subtitle tracks. The "
        "converted file runs no time at all, the movie 0:10:00: the movie file is probably cut short or damaged.");
    // More streams than mapped are no fault.
    EXPECT_EQ(outputProblem({false, false, 0, std::nullopt}, output(true, 2, 1, 5)), std::nullopt);
}

TEST(OutputCheck, ShortfallMustExceedBothTwoSecondsAndTwoPerCent)
{
    const auto problem = [](qint64 source, qint64 converted) {
        return outputProblem({true, false, 0, source}, output(true, 0, 0, converted)).has_value();
    };
    // 60 s: 2 % is 1.2 s, so the 2 seconds decide.
    EXPECT_FALSE(problem(60, 58));
    EXPECT_TRUE(problem(60, 57));
    EXPECT_TRUE(problem(60, 3));
    // Two hours: 2 % is 144 s.
    EXPECT_FALSE(problem(7200, 7200 - 144));
    EXPECT_TRUE(problem(7200, 7200 - 145));
    // Longer than the source, or a source of unknown length: nothing to hold against it.
    EXPECT_FALSE(problem(60, 61));
    EXPECT_FALSE(outputProblem({true, false, 0, std::nullopt}, output(true, 0, 0, std::nullopt)).has_value());
    EXPECT_EQ(outputProblem({true, false, 0, 3725}, output(true, 0, 0, 3)),
              "The converted file runs 0:00:03, the movie 1:02:05: the movie file is probably cut short or damaged.");
}
