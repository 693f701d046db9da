// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "conversion/argumentlist.h"
#include "conversion/audioplan.h"
#include "testrequests.h"

using namespace tavrel;

namespace {

// A movie's record with the request's subtitle file, as the job hands them to the argument list.
struct Movie : MKVFileInfo
{
    QString subtitleFile;
    QString subtitleEncoding;
};

Movie movie(const QStringList &descriptions)
{
    Movie info;
    info.fileURL = QUrl::fromLocalFile(QStringLiteral("/movies/My Movie.mkv"));
    info.fileName = QStringLiteral("My Movie.mkv");
    info.videoTrackID = 0;
    info.audioTracks = test::audioTracksFrom(descriptions);
    return info;
}

const QString kLog = QStringLiteral("/docs/My Movie.mkv.log");
const QString kOutput = QStringLiteral("/out/My Movie.mp4");

QStringList build(const Movie &info, const ConversionSettings &s, qsizetype index = 0, bool fixup = false)
{
    ConversionRequest request;
    request.source = info.fileURL.toLocalFile();
    request.inspection = std::make_shared<MKVFileInfo>(info);
    request.subtitleFile = info.subtitleFile;
    request.subtitleEncoding = info.subtitleEncoding;
    if (index < info.audioTracks.size())
        request.audioStreamId = info.audioTracks.at(index).streamId;
    return conversionArguments(request, audioPlan(info.audioTracks, request.audioStreamId, s.ac3Downmix), fixup, kLog,
                               s, {kOutput});
}

// The strings between the output codec and "-progress".
QStringList optionsAfterCodec(const QStringList &args)
{
    const qsizetype codec = args.indexOf(QStringLiteral("-acodec")) + 1;
    const qsizetype progress = args.indexOf(QStringLiteral("-progress"));
    return args.mid(codec + 1, progress - codec - 1);
}

} // namespace

TEST(AudioPlan, AStreamTheMovieLacksMeansNoAudio)
{
    const QList<AudioTrackFacts> one = test::audioTracksFrom({QStringLiteral("#1: eng (dts)")});
    EXPECT_FALSE(audioPlan(one, 2, 0).hasAudio);
    EXPECT_FALSE(audioPlan(one, 2, 0).slowmode);
    EXPECT_FALSE(audioPlan(one, std::nullopt, 0).hasAudio);
    EXPECT_FALSE(audioPlan({}, 1, 0).hasAudio);
    EXPECT_TRUE(audioPlan(one, 1, 0).hasAudio);
}

// Matroska, MP4/MOV and FLV keep AAC apart from its configuration: no fix-up test, and the list a
// test answering "no" gives. Other containers, or none read, leave the answer to the test.
TEST(AudioPlan, FixupTestOnlyWhereTheContainerLeavesTheAnswerOpen)
{
    const QString stream =
        QStringLiteral("  Stream #0:1[0x101]: Audio: aac (LC) ([15][0][0][0] / 0x000F), 48000 Hz, stereo, fltp\n");
    const struct
    {
        const char *report;
        bool tested;
    } rows[] = {
        {"Input #0, matroska,webm, from 'a.mkv':\n", false},
        {"Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'a.mp4':\n", false},
        {"Input #0, flv, from 'a.flv':\n", false},
        {"Input #0, mpegts, from 'a.ts':\n", true},
        {"Input #0, aac, from 'a.aac':\n", true},
        {"", true},
        // Only the first, unindented line names the container.
        {"Input #0, mpegts, from 'a.ts':\nInput #0, matroska,webm, from 'a.mkv':\n", true},
        {"  Input #0, matroska,webm, from 'a.mkv':\n", true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.report);
        const StreamReport report = parseStreamReport(QString::fromUtf8(row.report) + stream);
        const AudioPlan plan = audioPlan(report.audioTracks, report.audioTracks.value(0).streamId, 0);
        EXPECT_EQ(plan.wantsFixupTest(), row.tested);
        Movie info = movie({});
        info.audioTracks = report.audioTracks;
        EXPECT_EQ(build(info, {}, 0, true).contains(QStringLiteral("aac_adtstoasc")), row.tested);
    }
}

TEST(ArgumentList, CopiedAacIsExactlyTheBaseList)
{
    ConversionSettings s;
    s.ac3Downmix = 1;
    s.dtsDownmix = 1;
    const QStringList expected{"-i",
                               "/movies/My Movie.mkv",
                               "-stats",
                               "-map",
                               "0:0",
                               "-map",
                               "0:1",
                               "-scodec",
                               "mov_text",
                               "-vcodec",
                               "copy",
                               "-acodec",
                               "copy",
                               "-progress",
                               kLog,
                               "-loglevel",
                               "warning",
                               "-y",
                               "/out/My Movie.mp4"};
    EXPECT_EQ(build(movie({QStringLiteral("#1: eng (aac)")}), s), expected);
    EXPECT_EQ(expected.size(), 19);
}

TEST(ArgumentList, AudioPlanTable)
{
    struct Row
    {
        const char *description;
        qint64 ac3Downmix, dtsDownmix;
        const char *codec;
        QStringList options;
    };
    const QList<Row> rows{
        {"#1: eng (aac)", 1, 1, "copy", {}},
        {"#1: eng (ac3)", 1, 0, "copy", {}},
        {"#1: eng (ac3) [5.1]", 0, 1, "copy", {}},
        {"#1: eng (ac3) [5.1]", 1, 0, "ac3", {"-ar", "48000", "-ac", "2", "-ab", "192k"}},
        {"#1: eng (dts)", 0, 0, "ac3", {"-ar", "48000"}},
        {"#1: eng (dts) [5.1]", 0, 1, "ac3", {"-ar", "48000", "-ac", "2", "-ab", "192k"}},
        {"#1: eng (dts) [5.1]", 0, 0, "ac3", {"-ar", "48000", "-ac", "6", "-ab", "448k"}},
        // Tracks of more than two channels in any layout honour the surround settings.
        {"#1: ger (flac) [7.1]", 0, 0, "ac3", {"-ar", "48000", "-ac", "6", "-ab", "448k"}},
        {"#1: ger (flac) [7.1]", 0, 1, "ac3", {"-ar", "48000", "-ac", "2", "-ab", "192k"}},
        {"#1: eng (truehd) [7.1(wide)]", 0, 0, "ac3", {"-ar", "48000", "-ac", "6", "-ab", "448k"}},
        {"#1: eng (eac3) [6.1(back)]", 1, 1, "ac3", {"-ar", "48000", "-ac", "2", "-ab", "192k"}},
        {"#1: Dub_5.1 (dts)", 0, 0, "ac3", {"-ar", "48000"}},
        // The console plays AAC in stereo only: surround AAC gets the surround plan.
        {"#1: eng (aac) [5.1]", 0, 0, "ac3", {"-ar", "48000", "-ac", "6", "-ab", "448k"}},
        {"#1: eng (aac) [5.1]", 0, 1, "ac3", {"-ar", "48000", "-ac", "2", "-ab", "192k"}},
        // Case-sensitive codec words: "AAC" is some other codec and is re-encoded.
        {"#1: eng (AAC)", 0, 0, "ac3", {"-ar", "48000"}},
    };
    for (const Row &row : rows) {
        ConversionSettings s;
        s.ac3Downmix = row.ac3Downmix;
        s.dtsDownmix = row.dtsDownmix;
        const QStringList args = build(movie({QString::fromUtf8(row.description)}), s);
        SCOPED_TRACE(row.description);
        EXPECT_EQ(args.at(args.indexOf(QStringLiteral("-acodec")) + 1), QString::fromUtf8(row.codec));
        EXPECT_EQ(optionsAfterCodec(args), row.options);
        EXPECT_EQ(args.size(), 19 + row.options.size());
    }
}

TEST(ArgumentList, BitrateSettingsIncludingOutOfRangeValues)
{
    const struct
    {
        qint64 stereo, surround;
        const char *stereoRate, *surroundRate;
    } rows[] = {{0, 0, "160k", "384k"}, {3, 3, "256k", "576k"}, {4, -1, "192k", "448k"}, {-5, 99, "192k", "448k"}};
    for (const auto &row : rows) {
        ConversionSettings s;
        s.ac3StereoBitrate = row.stereo;
        s.ac3SurroundBitrate = row.surround;
        const QStringList surround = build(movie({QStringLiteral("#1: eng (dts) [5.1]")}), s);
        EXPECT_EQ(optionsAfterCodec(surround).last(), QString::fromUtf8(row.surroundRate));
        s.ac3Downmix = 1;
        const QStringList stereo = build(movie({QStringLiteral("#1: eng (ac3) [5.1]")}), s);
        EXPECT_EQ(optionsAfterCodec(stereo).last(), QString::fromUtf8(row.stereoRate));
    }
}

TEST(ArgumentList, TwentyNineStringExample)
{
    Movie info = movie({QStringLiteral("#0: eng (ac3)"), QStringLiteral("#2: ger (dts) [5.1]")});
    info.videoTrackID = 1;
    info.subtitleTrackIDs = {3, 4};
    ConversionSettings s;
    s.disableBuiltinSubtitles = 0;
    const QStringList expected{"-i",
                               "/movies/My Movie.mkv",
                               "-stats",
                               "-map",
                               "0:1",
                               "-map",
                               "0:2",
                               "-map",
                               "0:4",
                               "-map",
                               "0:3",
                               "-scodec",
                               "mov_text",
                               "-vcodec",
                               "copy",
                               "-acodec",
                               "ac3",
                               "-ar",
                               "48000",
                               "-ac",
                               "6",
                               "-ab",
                               "448k",
                               "-progress",
                               kLog,
                               "-loglevel",
                               "warning",
                               "-y",
                               "/out/My Movie.mp4"};
    ASSERT_EQ(expected.size(), 29);
    EXPECT_EQ(build(info, s, 1), expected);
}

TEST(ArgumentList, FixupPairStandsBeforeTheSubtitleCodec)
{
    Movie info = movie({QStringLiteral("#1: eng (aac)")});
    const QStringList args = build(info, ConversionSettings{}, 0, true);
    EXPECT_EQ(args.size(), 21);
    EXPECT_EQ(args.mid(7, 3), (QStringList{"-absf", "aac_adtstoasc", "-scodec"}));
    // Only a copied AAC track ever gets the filter.
    EXPECT_FALSE(build(movie({QStringLiteral("#1: eng (dts)")}), ConversionSettings{}, 0, true)
                     .contains(QStringLiteral("-absf")));
}

TEST(ArgumentList, EmbeddedSubtitlesLastTrackFirstUnlessDisabled)
{
    Movie info = movie({QStringLiteral("#1: eng (aac)")});
    info.subtitleTrackIDs = {2, 3};
    ConversionSettings s;
    s.disableBuiltinSubtitles = 0;
    EXPECT_EQ(build(info, s).mid(5, 7), (QStringList{"-map", "0:1", "-map", "0:3", "-map", "0:2", "-scodec"}));
    s.disableBuiltinSubtitles = 1;
    EXPECT_EQ(build(info, s).size(), 19);
}

TEST(ArgumentList, SubtitleFileInputFollowsTheSourceInput)
{
    Movie info = movie({QStringLiteral("#1: eng (aac)")});
    info.subtitleTrackIDs = {2, 3};
    info.subtitleFile = QStringLiteral("/movies/-odd name%.srt");
    ConversionSettings s;
    s.disableBuiltinSubtitles = 0;
    const QStringList args = build(info, s);
    const QStringList expectedStart{"-i",     "/movies/My Movie.mkv",
                                    "-i",     "/movies/-odd name%.srt",
                                    "-stats", "-map",
                                    "0:0",    "-map",
                                    "0:1",    "-map",
                                    "1:0",    "-map",
                                    "0:3",    "-map",
                                    "0:2",    "-scodec"};
    EXPECT_EQ(args.mid(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(args.size(), 19 + 4 + 4);
    EXPECT_EQ(args.count(QStringLiteral("-i")), 2);
}

TEST(ArgumentList, WithoutAudioNothingIsMappedForIt)
{
    for (const QStringList &descriptions : {QStringList{}, QStringList{QStringLiteral("#1: eng (dts) [5.1]")}}) {
        Movie info = movie(descriptions);
        info.subtitleFile = QStringLiteral("/movies/My Movie.srt");
        const QStringList args = build(info, ConversionSettings{}, descriptions.size());
        EXPECT_EQ(args.mid(4, 5), (QStringList{"-stats", "-map", "0:0", "-map", "1:0"}));
        EXPECT_EQ(args.count(QStringLiteral("-map")), 2);
        EXPECT_EQ(optionsAfterCodec(args), QStringList{});
        EXPECT_EQ(args.at(args.indexOf(QStringLiteral("-acodec")) + 1), QStringLiteral("copy"));
    }
}

TEST(ArgumentList, FixupTestRunsOneSecondOfVideoAndAudio)
{
    Movie info = movie({QStringLiteral("#1: eng (aac)")});
    info.videoTrackID = 2;
    const QStringList expected{"/res/ffmpeg",
                               "-i",
                               "/movies/My Movie.mkv",
                               "-stats",
                               "-t",
                               "1",
                               "-map",
                               "0:2",
                               "-map",
                               "0:5",
                               "-vcodec",
                               "copy",
                               "-acodec",
                               "copy",
                               "-y",
                               "/out/My Movie.mp4"};
    EXPECT_EQ(fixupTestArguments(QStringLiteral("/res/ffmpeg"), info, 5, kOutput), expected);
}

// Audio alone, or a cover the probe does not count as a picture: the sound is mapped once.
TEST(ArgumentList, WithoutAPictureOnlyTheSoundIsMapped)
{
    Movie info = movie({QStringLiteral("#0: eng (aac)")});
    info.videoTrackID.reset();
    const QStringList args = build(info, ConversionSettings{});
    EXPECT_EQ(args.mid(0, 5), (QStringList{"-i", "/movies/My Movie.mkv", "-stats", "-map", "0:0"}));
    EXPECT_EQ(args.count(QStringLiteral("-map")), 1);
    const QStringList test = fixupTestArguments(QStringLiteral("/res/ffmpeg"), info, 0, kOutput);
    EXPECT_EQ(test.mid(6, 3), (QStringList{"-map", "0:0", "-vcodec"}));
    EXPECT_EQ(test.count(QStringLiteral("-map")), 1);
}

TEST(ArgumentList, SubtitleEncodingPrecedesTheSubtitleInputAlone)
{
    // With and without audio, with embedded tracks, with the AC3 options: the encoding option
    // belongs to the subtitle file's input and nothing else moves.
    for (const QStringList &descriptions : {QStringList{}, QStringList{QStringLiteral("#1: eng (dts) [5.1]")}}) {
        Movie info = movie(descriptions);
        info.subtitleTrackIDs = {2};
        info.subtitleFile = QStringLiteral("/movies/My Movie.srt");
        ConversionSettings s;
        s.disableBuiltinSubtitles = 0;
        const QStringList plain = build(info, s);
        info.subtitleEncoding = QStringLiteral("WINDOWS-1252");
        QStringList withEncoding = build(info, s);
        EXPECT_EQ(
            withEncoding.mid(0, 6),
            (QStringList{"-i", "/movies/My Movie.mkv", "-sub_charenc", "WINDOWS-1252", "-i", "/movies/My Movie.srt"}));
        withEncoding.remove(2, 2);
        EXPECT_EQ(withEncoding, plain);
    }
    // No subtitle file, no option, whatever the record says.
    Movie info = movie({QStringLiteral("#1: eng (aac)")});
    info.subtitleEncoding = QStringLiteral("WINDOWS-1252");
    EXPECT_FALSE(build(info, ConversionSettings{}).contains(QStringLiteral("-sub_charenc")));
}

TEST(ArgumentList, LevelIsMarkedOnlyWhenFlaggedAboveAndFitting)
{
    Movie info = movie({QStringLiteral("#1: eng (aac)")});
    ConversionSettings s;
    const auto marks = [&](std::optional<double> level, bool fits, qint64 setting) {
        info.videoLevel = level;
        info.fitsLevel41 = fits;
        s.markLevel41 = setting;
        return build(info, s).contains(QStringLiteral("h264_metadata=level=4.1"));
    };
    EXPECT_TRUE(marks(5.1, true, 1));
    EXPECT_TRUE(marks(4.2, true, 1));
    EXPECT_FALSE(marks(4.1, true, 1));
    EXPECT_FALSE(marks(4.0, true, 1));
    EXPECT_FALSE(marks(5.1, false, 1));
    EXPECT_FALSE(marks(std::nullopt, true, 1));
    EXPECT_FALSE(marks(5.1, true, 0));

    info.videoLevel = 5.1;
    info.fitsLevel41 = true;
    s.markLevel41 = 1;
    const QStringList args = build(info, s);
    const qsizetype copy = args.indexOf(QStringLiteral("-vcodec"));
    EXPECT_EQ(args.mid(copy, 4), (QStringList{"-vcodec", "copy", "-bsf:v", "h264_metadata=level=4.1"}));
    EXPECT_EQ(args.size(), 19 + 2);
}
