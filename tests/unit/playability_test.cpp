// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFile>

#include "conversion/videoencoding.h"
#include "inspection/playability.h"
#include "inspection/streamreport.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

QString fixture(const QString &name)
{
    return test::fixtureText(QStringLiteral("playability/") + name);
}

StreamReport report(const QString &kind)
{
    return parseStreamReport(fixture(kind + QStringLiteral(".txt")));
}

VideoFacts recordedFacts(const QString &kind)
{
    return videoFacts(report(kind).videoLines.last(), fixture(kind + QStringLiteral(".xml")));
}

} // namespace

// Recorded reports of each kind of movie a collection holds: what the console makes of the
// picture, and the reasons in the words the file panel and the log show.
TEST(Playability, VerdictOverRecordedMovies)
{
    const struct
    {
        const char *kind;
        VideoAction action;
        QStringList reasons;
    } rows[] = {
        {"hevc8", VideoAction::Reencode, {"HEVC"}},
        {"hevc10", VideoAction::Reencode, {"HEVC", "10-bit"}},
        {"h264high10", VideoAction::Reencode, {"10-bit"}},
        {"h264444", VideoAction::Reencode, {"4:4:4"}},
        {"uhd", VideoAction::Reencode, {QStringLiteral("3840\u00D72160")}},
        {"refs8", VideoAction::Reencode, {QStringLiteral("8 reference frames at 1920\u00D71080")}},
        {"fps60", VideoAction::Reencode, {"1080p at 60 frames a second"}},
        {"mpeg2", VideoAction::Reencode, {"MPEG-2"}},
        {"av1", VideoAction::Reencode, {"AV1"}},
        {"msmpeg4v3", VideoAction::Reencode, {"Microsoft MPEG-4 v3"}},
        {"mpeg4asp", VideoAction::Copy, {}},
        {"h264ok", VideoAction::Copy, {}},
        {"aac96k", VideoAction::Copy, {}},
        {"output_x264", VideoAction::Copy, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.kind);
        const VideoVerdict verdict = videoVerdict(recordedFacts(QString::fromUtf8(row.kind)));
        EXPECT_EQ(verdict.action, row.action);
        EXPECT_EQ(verdict.reasons, row.reasons);
    }
}

TEST(Playability, HandMadeFactsAtTheLimits)
{
    VideoFacts facts;
    facts.codec = QStringLiteral("h264");
    facts.profile = QStringLiteral("High");
    facts.size = {1920, 1080};
    facts.frameRate = 30.0;
    facts.referenceFrames = 4;
    EXPECT_EQ(videoVerdict(facts).action, VideoAction::Copy);
    facts.level = 5.1; // fits 4.1 in every way but the flag
    EXPECT_EQ(videoVerdict(facts).action, VideoAction::MarkLevel41);
    facts.referenceFrames = 5;
    EXPECT_EQ(videoVerdict(facts).action, VideoAction::Reencode);

    facts.referenceFrames = 9; // 720p allows nine, and sixty frames a second
    facts.size = {1280, 720};
    facts.frameRate = 60.0;
    facts.level = 4.1;
    EXPECT_EQ(videoVerdict(facts).action, VideoAction::Copy);
    facts.bitRate = 80'000'000;
    EXPECT_EQ(videoVerdict(facts).reasons, QStringList{QStringLiteral("80 Mbit/s")});

    VideoFacts divx;
    divx.codec = QStringLiteral("mpeg4");
    divx.profile = QStringLiteral("Advanced Simple Profile");
    divx.size = {1280, 720};
    EXPECT_EQ(videoVerdict(divx).reasons, QStringList{QStringLiteral("MPEG-4 Part 2 at 1280\u00D7720")});
}

TEST(Playability, AudioAndPictureSubtitles)
{
    const StreamReport surround = report(QStringLiteral("h264ok"));
    ASSERT_EQ(surround.audioTracks.size(), 1);
    EXPECT_EQ(audioProblems(surround.audioTracks.first()), QStringList{QStringLiteral("AAC with 6 channels")});
    const StreamReport highRate = report(QStringLiteral("aac96k"));
    ASSERT_EQ(highRate.audioTracks.size(), 1);
    EXPECT_EQ(highRate.audioTracks.first().profile, QStringLiteral("LC"));
    EXPECT_EQ(audioProblems(highRate.audioTracks.first()), QStringList{QStringLiteral("96000 Hz")});
    EXPECT_TRUE(audioProblems(report(QStringLiteral("mpeg2")).audioTracks.first()).isEmpty()); // AC3 stereo
    EXPECT_EQ(audioProblems({QStringLiteral("aac"), QStringLiteral("HE-AAC"), 2, 48000}),
              QStringList{QStringLiteral("HE-AAC")});

    for (const char *kind : {"picturesub", "picturesub_forced", "picturesub_sized_forced"}) {
        SCOPED_TRACE(kind);
        const StreamReport subs = report(QString::fromUtf8(kind));
        ASSERT_EQ(subs.pictureSubtitles.size(), 1);
        EXPECT_TRUE(subs.subtitleTrackIDs.isEmpty());
        EXPECT_EQ(subs.pictureSubtitles.first().streamId, 1);
        EXPECT_EQ(subs.pictureSubtitles.first().language, QStringLiteral("eng"));
        EXPECT_EQ(subs.pictureSubtitles.first().forced, QByteArray(kind).contains("forced"));
        EXPECT_EQ(pictureSubtitlesLeftOutNote(subs.pictureSubtitles),
                  QStringLiteral("1 picture subtitle track (VobSub) left out: the console shows text subtitles only"));
    }
}

TEST(Playability, OutputCheck)
{
    EXPECT_TRUE(
        outputProblems(report(QStringLiteral("output_x264")), fixture(QStringLiteral("output_x264.xml"))).isEmpty());
    EXPECT_EQ(outputProblems(report(QStringLiteral("hevc10")), fixture(QStringLiteral("hevc10.xml"))),
              QStringList{QStringLiteral("video: HEVC, 10-bit")});
    EXPECT_EQ(outputProblems(report(QStringLiteral("h264ok")), fixture(QStringLiteral("h264ok.xml"))),
              QStringList{QStringLiteral("audio: AAC with 6 channels")});
}

// The size the picture is encoded at, and the x264 arguments around it.
TEST(VideoEncoding, SizeFiltersAndArguments)
{
    const struct
    {
        qint64 width, height;
        double rate;
        qint64 outWidth, outHeight;
        const char *filters;
    } rows[] = {
        {3840, 2160, 25, 1920, 1080, "scale=1920:1080"},
        {1920, 1080, 60, 1280, 720, "scale=1280:720"},
        {1920, 1080, 25, 1920, 1080, ""},
        {720, 576, 25, 720, 576, ""},                  // never scaled up
        {4096, 1716, 24, 1920, 804, "scale=1920:804"}, // wide: the width decides, even height
        {1280, 720, 120, 1280, 720, "fps=60"},
        {641, 361, 25, 640, 360, "scale=640:360"}, // x264 needs even sizes
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.width);
        VideoFacts facts;
        facts.size = {row.width, row.height};
        facts.frameRate = row.rate;
        const PictureSize out = encodedSize(facts);
        EXPECT_EQ(out.width, row.outWidth);
        EXPECT_EQ(out.height, row.outHeight);
        EXPECT_EQ(videoFilterChain(facts), QString::fromUtf8(row.filters));
    }

    ConversionSettings settings;
    settings.videoSpeed = QStringLiteral("veryslow"); // sixteen reference frames, capped at four for 1080p
    settings.videoQuality = 99;
    const QStringList args = x264Arguments(recordedFacts(QStringLiteral("uhd")), settings, false);
    EXPECT_EQ(args.join(u' '),
              QStringLiteral("-preset veryslow -crf 51 -profile:v high -level:v 4.1 -pix_fmt yuv420p "
                             "-refs 4 -maxrate 50000k -bufsize 62500k -fps_mode passthrough -vf scale=1920:1080"));
    settings.videoSpeed = QStringLiteral("-vf evil");
    EXPECT_EQ(x264Preset(settings), QStringLiteral("fast"));
    // With a burned-in subtitle the filters go into the overlay's graph.
    EXPECT_FALSE(x264Arguments(recordedFacts(QStringLiteral("uhd")), settings, true).contains(QStringLiteral("-vf")));
}

TEST(VideoEncoding, WhatIsReencodedAndBurnedIn)
{
    MKVFileInfo info;
    info.videoTrackID = 0;
    info.videoFacts = recordedFacts(QStringLiteral("hevc10"));
    info.videoVerdict = videoVerdict(info.videoFacts);
    info.pictureSubtitles = {{3, QStringLiteral("hdmv_pgs_subtitle"), QStringLiteral("eng"), false},
                             {4, QStringLiteral("hdmv_pgs_subtitle"), QStringLiteral("ger"), true},
                             {5, QStringLiteral("dvd_subtitle"), QStringLiteral("eng"), true}};
    AudioPlan english;
    english.language = QStringLiteral("eng");
    ConversionSettings settings;
    EXPECT_TRUE(reencodesVideo(info, settings));
    EXPECT_EQ(burnedSubtitle(info, english, settings)->streamId, 5); // forced, in the audio's language
    settings.burnInSubtitles = 2;
    EXPECT_EQ(burnedSubtitle(info, english, settings)->streamId, 3);
    settings.burnInSubtitles = 0;
    EXPECT_FALSE(burnedSubtitle(info, english, settings));
    EXPECT_EQ(burnInGraph(info, info.pictureSubtitles.at(2)),
              (QStringList{QStringLiteral("-filter_complex"), QStringLiteral("[0:0][0:5]overlay=(W-w)/2:H-h[v]")}));

    settings.burnInSubtitles = 1;
    settings.reencodeVideo = 0; // nothing is re-encoded, so nothing can be burned in
    EXPECT_FALSE(reencodesVideo(info, settings));
    EXPECT_FALSE(burnedSubtitle(info, english, settings));

    // A picture that plays once marked is re-encoded only when marking is off.
    settings.reencodeVideo = 1;
    info.videoVerdict.action = VideoAction::MarkLevel41;
    info.fitsLevel41 = true;
    EXPECT_FALSE(reencodesVideo(info, settings));
    settings.markLevel41 = 0;
    EXPECT_TRUE(reencodesVideo(info, settings));
}
