// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <gtest/gtest.h>

#include "qtprinters.h"

#include "inspection/runastask.h"
#include "inspection/streamreport.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

struct ReportCase
{
    const char *file;
    const char *information;
    QStringList descriptions;
    QList<int> subtitleIds;
    std::optional<int> videoId;
    std::optional<qint64> runtime;
};

class RecordedReports : public ::testing::TestWithParam<ReportCase>
{
};

TEST_P(RecordedReports, GivesStreamsAndInformationLine)
{
    const ReportCase &c = GetParam();
    const StreamReport report = parseStreamReport(test::fixtureText(QString::fromLatin1(c.file)));
    EXPECT_EQ(informationString(report), QString::fromUtf8(c.information));
    EXPECT_EQ(audioTrackDescriptions(report.audioTracks), c.descriptions);
    EXPECT_EQ(report.subtitleTrackIDs, c.subtitleIds);
    EXPECT_EQ(report.videoTrackID, c.videoId);
    EXPECT_EQ(report.runtimeSeconds, c.runtime);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, RecordedReports,
    ::testing::Values(ReportCase{"synthetic-worked-example.txt",
                                 "Duration: 01:52:03  Bitrate: 9832 kb/s  Resolution: 1280x720  Audiotracks: 3 (0)",
                                 {"#1: eng (ac3) [5.1]", "#2: unk (aac)", "#3: ger (dts) [5.1]"},
                                 {},
                                 0,
                                 6723},
                      // The PNG cover is listed last as a video stream; it must not replace the movie's video.
                      ReportCase{"ffmpeg-matroska-full.txt",
                                 "Duration: 00:00:01  Bitrate: 2341 kb/s  Resolution: 1280x720  Audiotracks: 3 (2)",
                                 {"#1: eng (ac3) [5.1]", "#2: ger (aac)", "#3: unk (dts) [5.1]"},
                                 {4},
                                 0,
                                 1},
                      // "[0x2](eng)": the container id must not end up in the language.
                      ReportCase{"ffmpeg-mp4-languages.txt",
                                 "Duration: 00:00:01  Bitrate: 950 kb/s  Resolution: 640x360  Audiotracks: 2 (1)",
                                 {"#1: eng (aac)", "#2: fre (ac3) [5.1]"},
                                 {},
                                 0,
                                 1},
                      ReportCase{"ffmpeg-mpegts-mpeg2.txt",
                                 "Duration: 00:00:01  Bitrate: 1621 kb/s  Resolution: 720x576  Audiotracks: 1 (0)",
                                 {"#1: eng (mp2)"},
                                 {},
                                 0,
                                 1},
                      ReportCase{"ffmpeg-h264-10bit.txt",
                                 "Duration: 00:00:00  Bitrate: 1745 kb/s  Resolution: 1920x1080  Audiotracks: 1 (0)",
                                 {"#1: jpn (ac3) [5.1]"},
                                 {},
                                 0,
                                 0},
                      // Second video stream wins; plain 5.1 and 6.1 are surround tracks.
                      ReportCase{"ffmpeg-matroska-layouts.txt",
                                 "Duration: 00:00:00  Bitrate: 6052 kb/s  Resolution: 640x480  Audiotracks: 2 (0)",
                                 {"#2: ita (aac) [5.1]", "#3: spa (pcm_s16le) [5.1]"},
                                 {},
                                 1,
                                 0},
                      // Every layout of more than two channels carries a suffix that names it; a chapter
                      // title shaped like a stream line is no stream.
                      ReportCase{"ffmpeg-matroska-surround.txt",
                                 "Duration: 00:00:00  Bitrate: 1445 kb/s  Resolution: 640x360  Audiotracks: 5 (0)",
                                 {"#1: eng (truehd) [5.1]", "#2: ger (flac) [7.1]", "#3: fre (opus) [7.1]",
                                  "#4: spa (eac3) [5.1]", "#5: ita (vorbis)"},
                                 {},
                                 0,
                                 0},
                      ReportCase{"ffmpeg-mov-layouts.txt",
                                 "Duration: 00:00:00  Bitrate: 16563 kb/s  Resolution: 320x240  Audiotracks: 3 (0)",
                                 {"#1: unk (pcm_s16le) [7.1(wide)]", "#2: unk (pcm_s16le) [6.1(back)]",
                                  "#3: unk (pcm_s16le) [5.1]"},
                                 {},
                                 0,
                                 0},
                      // Language names become codes, other free text one word; "(default) (forced)" stays
                      // text; an ASS track tagged with the language "ssa" is still ASS.
                      ReportCase{"ffmpeg-matroska-tags.txt",
                                 "Duration: 00:00:00  Bitrate: 823 kb/s  Resolution: 720x576  Audiotracks: 3 (2)",
                                 {"#1: German_Dub (ac3)", "#2: eng (aac)", "#3: ger (mp3)"},
                                 {4},
                                 0,
                                 0},
                      // A Latin-1 title must not cost the movie its streams.
                      ReportCase{"ffmpeg-latin1-title.txt",
                                 "Duration: 00:00:00  Bitrate: 427 kb/s  Resolution: 320x240  Audiotracks: 1 (0)",
                                 {"#1: fre (ac3)"},
                                 {},
                                 0,
                                 0},
                      // A title holding U+2028 and text shaped like stream and duration lines adds nothing.
                      ReportCase{"ffmpeg-echo-title.txt",
                                 "Duration: 00:00:00  Bitrate: 413 kb/s  Resolution: 320x240  Audiotracks: 1 (0)",
                                 {"#1: ger (aac)"},
                                 {},
                                 0,
                                 0},
                      // MPEG-TS lists shared streams once per program: still one track each.
                      ReportCase{"ffmpeg-mpegts-programs.txt",
                                 "Duration: 00:00:00  Bitrate: 1011 kb/s  Resolution: 320x240  Audiotracks: 2 (0)",
                                 {"#1: eng (ac3)", "#2: ger (mp2)"},
                                 {},
                                 0,
                                 0},
                      ReportCase{"ffmpeg-raw-h264.txt",
                                 "Duration: (null)  Bitrate: (null)  Resolution: 320x240  Audiotracks: 0 (0)",
                                 {},
                                 {},
                                 0,
                                 std::nullopt},
                      ReportCase{"ffmpeg-not-a-movie.txt",
                                 "Duration: (null)  Bitrate: (null)  Resolution: (null)  Audiotracks: 0 (0)",
                                 {},
                                 {},
                                 std::nullopt,
                                 std::nullopt},
                      // Picture subtitles are counted but not kept; an attachment is nothing.
                      ReportCase{"synthetic-bluray-pgs.txt",
                                 "Duration: 02:01:15  Bitrate: 31044 kb/s  Resolution: 1920x1080  Audiotracks: 2 (3)",
                                 {"#1: eng (dts) [5.1]", "#2: ger (ac3) [5.1]"},
                                 {4},
                                 0,
                                 7275}));

TEST(StreamReport, NoReportLeavesEverythingAbsent)
{
    const StreamReport report = parseStreamReport(QString());
    EXPECT_EQ(informationString(report),
              QStringLiteral("Duration: (null)  Bitrate: (null)  Resolution: (null)  Audiotracks: 0 (0)"));
    EXPECT_FALSE(report.videoTrackID);
    EXPECT_FALSE(report.runtimeSeconds);
    EXPECT_TRUE(report.videoLines.isEmpty());
}

TEST(StreamReport, EchoedInputPathAddsNoLines)
{
    const QString path = QStringLiteral("echo\nStream #0:5(eng): Audio: ac3, 48000 Hz, 5.1(side), fltp\n"
                                        "  Duration: 99:00:00.00, start: 0.000000, bitrate: 1 kbps\n.mkv");
    const QString text = test::fixtureText(QStringLiteral("ffmpeg-echo-filename.txt"));
    const StreamReport report = parseStreamReport(text, path);
    EXPECT_EQ(audioTrackDescriptions(report.audioTracks), QStringList{"#1: ger (aac)"});
    EXPECT_EQ(report.runtimeSeconds, 0);
    EXPECT_EQ(report.bitRateText, QStringLiteral("413 kb/s"));
    // Without the path the forged lines would count: the recording does hold them.
    EXPECT_EQ(parseStreamReport(text).audioTracks.size(), 2);
}

TEST(StreamReport, FuzzFindingsStayFixed)
{
    // A duration whose minutes overflow 64 bits is no duration.
    const StreamReport report = parseStreamReport(test::fixtureText(QStringLiteral("fuzz/duration-overflow.txt")));
    EXPECT_EQ(report.durationText, std::nullopt);
    EXPECT_EQ(
        parseStreamReport(QStringLiteral("  Duration: 99999999999999999999:00:00.00, bitrate: 1 kb/s")).runtimeSeconds,
        std::nullopt);
}

// The language tag is printed as it is, line breaks and all: a stream whose kind comes on a later
// line is joined with it, and a stream listed twice, differently, makes the report unreadable.
TEST(StreamReport, LanguageTagsHoldingLineBreaks)
{
    struct Case
    {
        QString text;
        QStringList descriptions; // none when unreadable
        bool unreadable;
    };
    const Case cases[] = {
        // Recorded: an English AAC track tagged "eng\n    Stream #0:2(ger): Audio: aac", DTS 5.1 as stream 2.
        {test::fixtureText(QStringLiteral("ffmpeg-language-linefeed.txt")),
         {"#1: eng_____Stream_#0_2(ger)__Audio__aac (aac)", "#2: unk (dts) [5.1]"},
         false},
        // Recorded: the same with the kind inside the tag, so the forged line stands alone.
        {test::fixtureText(QStringLiteral("ffmpeg-language-forged-stream.txt")), {}, true},
        {"  Stream #0:1(e\r\nn\ng): Audio: ac3, 48000 Hz, stereo\n  Stream #0:2: Audio: dts, 48000 Hz, 5.1(side)",
         {"#1: e__n_g (ac3)", "#2: unk (dts) [5.1]"},
         false},
        {"  Stream #0:1: Audio: ac3, 48000 Hz, stereo\n  Stream #0:1: Audio: dts, 48000 Hz, 5.1(side)", {}, true},
        {"  Stream #0:0: Video: h264, yuv420p, 64x48\n  Stream #0:1(eng\n    Metadata:", {}, true},
        // The same line again (a stream in two programs) is one stream.
        {"  Stream #0:1: Audio: ac3, 48000 Hz, stereo\n  Stream #0:1: Audio: ac3, 48000 Hz, stereo",
         {"#1: unk (ac3)"},
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.left(600).toStdString());
        const StreamReport report = parseStreamReport(c.text);
        EXPECT_EQ(audioTrackDescriptions(report.audioTracks), c.descriptions);
        EXPECT_EQ(report.audioTracks.size(), c.descriptions.size());
        EXPECT_EQ(report.unreadable.has_value(), c.unreadable);
        if (c.unreadable) {
            EXPECT_TRUE(report.unreadable->startsWith("The movie's report could not be read: "));
            // Nothing half-read is left to convert.
            EXPECT_FALSE(report.videoTrackID);
            EXPECT_FALSE(report.runtimeSeconds);
        }
    }
    const StreamReport recorded = parseStreamReport(test::fixtureText(QStringLiteral("ffmpeg-language-linefeed.txt")));
    ASSERT_EQ(recorded.audioTracks.size(), 2);
    EXPECT_EQ(recorded.audioTracks.at(1).channels, 6);
    EXPECT_EQ(recorded.videoTrackID, 0);
}

TEST(StreamReport, CarriageReturnLineEndsReadLikeLineFeeds)
{
    QString text = test::fixtureText(QStringLiteral("synthetic-worked-example.txt"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    EXPECT_EQ(informationString(parseStreamReport(text)),
              QStringLiteral("Duration: 01:52:03  Bitrate: 9832 kb/s  Resolution: 1280x720  Audiotracks: 3 (0)"));
}

TEST(StreamReport, DurationLines)
{
    struct Case
    {
        QString text;
        std::optional<QString> duration, bitRate;
        std::optional<qint64> runtime;
    };
    const Case cases[] = {
        {"  Duration: 00:00:59.99, start: 0.000000, bitrate: 128 kb/s", "00:00:59", "128 kb/s", 59},
        {"  Duration: 10:00:00.00, start: 0.000000, bitrate: N/A", "10:00:00", "N/A", 36000},
        // Unknown duration, and lines lacking a marker: nothing meaningful to show.
        {"  Duration: N/A, start: 0.000000, bitrate: N/A", std::nullopt, std::nullopt, std::nullopt},
        {"  Duration: N/A, bitrate: 128 kb/s", std::nullopt, std::nullopt, std::nullopt},
        {"  Duration: 00:01:00.00, start: 0.000000", std::nullopt, std::nullopt, std::nullopt},
        {"  Duration:00:01:00.00, bitrate: 1 kb/s", std::nullopt, std::nullopt, std::nullopt},
        // Metadata in capitals is not a duration line.
        {"      DURATION        : 00:00:01.021000000", std::nullopt, std::nullopt, std::nullopt},
        // A later line replaces an earlier one.
        {"  Duration: 00:00:01.00, bitrate: 1 kb/s\n  Duration: 00:00:02.00, bitrate: 2 kb/s", "00:00:02", "2 kb/s", 2},
        // A stream's metadata tag named Duration, and an unknown duration, keep what was read.
        {"  Duration: 00:00:03.00, bitrate: 3 kb/s\n      Duration        : 00:00:01.02", "00:00:03", "3 kb/s", 3},
        {"  Duration: 00:00:03.00, bitrate: 3 kb/s\n  Duration: N/A, bitrate: N/A", "00:00:03", "3 kb/s", 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const StreamReport report = parseStreamReport(c.text);
        EXPECT_EQ(report.durationText, c.duration);
        EXPECT_EQ(report.bitRateText, c.bitRate);
        EXPECT_EQ(report.runtimeSeconds, c.runtime);
    }
}

TEST(StreamReport, StreamLines)
{
    struct Case
    {
        QString line;
        QStringList descriptions;
        QList<int> subtitleIds;
        int subtitleCount;
        std::optional<int> videoId;
        std::optional<QString> resolution;
    };
    const Case cases[] = {
        {"    Stream #0:12(ger): Audio: eac3, 48000 Hz, 5.1(side), fltp", {"#12: ger (eac3) [5.1]"}, {}, 0, {}, {}},
        {"    Stream #0:7[0x1100](jpn): Audio: truehd, 48000 Hz, 7.1, s32", {"#7: jpn (truehd) [7.1]"}, {}, 0, {}, {}},
        {"    Stream #0:1: Audio: pcm_s24le, 48000 Hz, 8 channels (FL+FR+FC+LFE+BL+BR+DL+DR), s32",
         {"#1: unk (pcm_s24le) [8ch]"},
         {},
         0,
         {},
         {}},
        {"    Stream #0:1: Audio: pcm_s16le, 48000 Hz, 2 channels, s16", {"#1: unk (pcm_s16le)"}, {}, 0, {}, {}},
        {"    Stream #0:1: Audio: ac3, 48000 Hz, 3.0(back), fltp", {"#1: unk (ac3) [3.0(back)]"}, {}, 0, {}, {}},
        // Only the codec word decides what a subtitle is, not a language "ssa" on the line.
        {"    Stream #0:6(ssa): Subtitle: hdmv_pgs_subtitle, 1920x1080", {}, {}, 1, {}, {}},
        {"    Stream #0:6(ssa): Subtitle: dvd_subtitle (default) (forced)", {}, {}, 1, {}, {}},
        {"    Stream #0:6(eng): Subtitle: subviewer1", {}, {6}, 1, {}, {}},
        // A language tag is printed as it is; the kind is what follows it.
        {"    Stream #0:3(x): Audio: ac3, 48000 Hz, 5.1(side)): Subtitle: subrip", {}, {3}, 1, {}, {}},
        {"    Stream #0:3(Audio: ac3): Video: hevc (Main), yuv420p, 1920x1080", {}, {}, 0, 3, "1920x1080"},
        {"    Stream #0:2(English (UK)): Audio: aac, 48000 Hz, stereo", {"#2: English_(UK (aac)"}, {}, 0, {}, {}},
        // Not in the tool's "Stream #<input>:<index>" shape: no stream.
        {"    Stream #x:1: Audio: ac3, 48000 Hz, 5.1(side)", {}, {}, 0, {}, {}},
        {"    Stream #0: Audio: ac3, 48000 Hz, 5.1(side)", {}, {}, 0, {}, {}},
        {"    Stream #0:99999999999: Audio: ac3, 48000 Hz, 5.1(side)", {}, {}, 0, {}, {}},
        {"    title : \u2028Stream #0:5(eng): Audio: ac3, 48000 Hz, 5.1(side), fltp", {}, {}, 0, {}, {}},
        {"    Stream #0:5(eng): Subtitle: ass (default)", {}, {}, 1, {}, {}},
        {"    Stream #0:5(eng): Subtitle: ssa", {}, {5}, 1, {}, {}},
        {"    Stream #0:2: Video: mpeg4 (Simple Profile) (XVID / 0x44495658), yuv420p, 624x352 [SAR 1:1 DAR 39:22], 25 "
         "fps",
         {},
         {},
         0,
         2,
         "624x352"},
        // A cover picture, whatever its codec, is not the movie.
        {"    Stream #0:3: Video: mjpeg (Baseline), yuvj420p(pc, bt470bg/unknown/unknown), 600x600 [SAR 1:1 DAR 1:1], "
         "90k tbr, 90k tbn (attached pic)",
         {},
         {},
         0,
         {},
         {}},
        // Lines that begin with "Stream" but hold no stream must not trip the reader.
        {"Stream mapping:", {}, {}, 0, {}, {}},
        {"Stream", {}, {}, 0, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const StreamReport report = parseStreamReport(c.line);
        EXPECT_EQ(audioTrackDescriptions(report.audioTracks), c.descriptions);
        EXPECT_EQ(report.subtitleTrackIDs, c.subtitleIds);
        EXPECT_EQ(report.subtitleCount, c.subtitleCount);
        EXPECT_EQ(report.videoTrackID, c.videoId);
        EXPECT_EQ(report.resolutionText, c.resolution);
    }
}

} // namespace
