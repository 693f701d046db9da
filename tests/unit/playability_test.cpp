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
    AudioTrackFacts heAac;
    heAac.codec = QStringLiteral("aac");
    heAac.profile = QStringLiteral("HE-AAC");
    heAac.channels = 2;
    heAac.sampleRate = 48000;
    EXPECT_EQ(audioProblems(heAac), QStringList{QStringLiteral("HE-AAC")});

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

// How each kind of picture is shown, from its stream line and what ffmpeg lists under it: the
// reasons, the fixes, the size it is encoded at and the filters it goes through.
TEST(Playability, PicturesShownRotatedInterlacedOrInHdr)
{
    const QString hdrChain =
        QStringLiteral("zscale=tin=%1:min=bt2020nc:pin=bt2020:rin=limited:t=linear:npl=100,format=gbrpf32le,"
                       "tonemap=tonemap=hable:desat=0,zscale=p=bt709:t=bt709:m=bt709:r=limited,format=yuv420p");
    const struct
    {
        const char *stream; // the codec text and, after a line break, what follows the stream line
        QStringList reasons;
        QStringList fixes;
        qint64 outWidth, outHeight;
        QString filters;
    } rows[] = {
        // clang-format off
        {"h264 (High), yuv420p(progressive), 1920x1080 [SAR 1:1 DAR 16:9], 30 fps\nSide data:\n displaymatrix: rotation of 90.00 degrees",
         {QStringLiteral("1080\u00D71920"), QStringLiteral("shown rotated 90\u00B0")}, {"rotated upright"}, 608, 1080, "scale=608:1080,setsar=1"},
        {"h264 (High), yuv420p(progressive), 1920x1080 [SAR 1:1 DAR 16:9], 60 fps\nSide data:\n cpb: bitrate max/min/avg: 0/0/0\n displaymatrix: rotation of -90.00 degrees",
         {QStringLiteral("1080\u00D71920"), QStringLiteral("shown rotated 270\u00B0")}, {"rotated upright"}, 404, 720, "scale=404:720,setsar=1"},
        {"hevc (Main), yuv420p(tv, progressive), 1280x720 [SAR 1:1 DAR 16:9], 30 fps\nSide data:\n displaymatrix: rotation of -180.00 degrees",
         {"HEVC", QStringLiteral("shown rotated 180\u00B0")}, {"rotated upright"}, 1280, 720, ""},
        {"mpeg2video (Main), yuv420p(tv, top first), 720x576 [SAR 64:45 DAR 16:9], 25 fps",
         {"MPEG-2", "interlaced, top field first"}, {"deinterlaced"}, 720, 576, "bwdif=mode=send_frame:parity=tff"},
        {"mpeg2video (Main), yuv420p(tv, bottom first), 720x480 [SAR 8:9 DAR 4:3], 29.97 fps",
         {"MPEG-2", "interlaced, bottom field first"}, {"deinterlaced"}, 720, 480, "bwdif=mode=send_frame:parity=bff"},
        {"mpeg2video (Main), yuv420p(tv, top coded first (swapped)), 720x480 [SAR 8:9 DAR 4:3], 29.97 fps",
         {"MPEG-2", "interlaced, bottom field first"}, {"deinterlaced"}, 720, 480, "bwdif=mode=send_frame:parity=bff"},
        {"hevc (Main 10), yuv420p10le(tv, bt2020nc/bt2020/smpte2084, progressive), 3840x2160 [SAR 1:1 DAR 16:9], 24 fps",
         {"HEVC", "10-bit", "HDR (PQ) colours"}, {"HDR tone mapped to SDR"}, 1920, 1080, "scale=1920:1080," + hdrChain.arg("smpte2084")},
        {"hevc (Main 10), yuv420p10le(tv, bt2020nc/bt2020/arib-std-b67, progressive), 1280x720, 50 fps",
         {"HEVC", "10-bit", "HDR (HLG) colours"}, {"HDR tone mapped to SDR"}, 1280, 720, hdrChain.arg("arib-std-b67")},
        // Dolby Vision profile 8 is shown through its HDR10 base layer.
        {"hevc (Main 10), yuv420p10le(tv, bt2020nc/bt2020/smpte2084), 1920x1080, 24 fps\nSide data:\n DOVI configuration record: version: 1.0, profile: 8, level: 6, rpu flag: 1, el flag: 0, bl flag: 1, compatibility id: 1",
         {"HEVC", "10-bit", "HDR (PQ) colours"}, {"HDR tone mapped to SDR"}, 1920, 1080, hdrChain.arg("smpte2084")},
        {"h264 (High 10), yuv420p10le(pc, bt2020nc/bt2020/bt2020-10, progressive), 1920x1080, 24 fps",
         {"10-bit", "BT.2020 colours"}, {"colours converted to BT.709"}, 1920, 1080,
         "zscale=tin=bt2020-10:min=bt2020nc:pin=bt2020:rin=full:p=bt709:t=bt709:m=bt709:r=limited,format=yuv420p"},
        // An interlaced picture that plays is copied with its fields flagged; a cover picture's
        // and a metadata tag's "rotation" are not the movie's.
        {"h264 (High), yuv420p(top first), 1920x1080 [SAR 1:1 DAR 16:9], 25 fps", {}, {}, 1920, 1080, "bwdif=mode=send_frame:parity=tff"},
        {"h264 (High), yuv420p(tv, bt709, progressive), 1920x1080, 24 fps\nMetadata:\n displaymatrix   : rotation of 90.00 degrees\n"
         "Stream #0:1: Video: mjpeg, yuvj420p, 600x600, 90k tbn (attached pic)\nSide data:\n displaymatrix: rotation of 90.00 degrees",
         {}, {}, 1920, 1080, ""},
        // clang-format on
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.stream);
        const QString text = QString::fromUtf8(row.stream);
        const StreamReport parsed =
            parseStreamReport(QStringLiteral("  Stream #0:0: Video: ") + text
                              + QStringLiteral("\n  Stream #0:9: Audio: ac3, 48000 Hz, stereo"));
        const VideoFacts facts = videoFacts(parsed.videoLines.first(), QString(), parsed.videoSideData);
        const VideoVerdict verdict = videoVerdict(facts);
        EXPECT_EQ(verdict.reasons, row.reasons);
        EXPECT_EQ(verdict.fixes, row.fixes);
        EXPECT_TRUE(verdict.unconvertible.isEmpty());
        EXPECT_EQ(encodedSize(facts).width, row.outWidth);
        EXPECT_EQ(encodedSize(facts).height, row.outHeight);
        EXPECT_EQ(videoFilterChain(facts), row.filters);
    }

    // Profile 5 has no base layer these filters can show.
    const StreamReport dovi5 = parseStreamReport(QStringLiteral(
        "  Stream #0:0: Video: hevc (Main 10), yuv420p10le(tv), 3840x2160\n    Side data:\n      DOVI configuration "
        "record: version: 1.0, profile: 5, level: 6, rpu flag: 1, el flag: 0, bl flag: 1, compatibility id: 0"));
    EXPECT_TRUE(videoVerdict(videoFacts(dovi5.videoLines.first(), QString(), dovi5.videoSideData))
                    .unconvertible.startsWith(QStringLiteral("The video is Dolby Vision profile 5")));
    EXPECT_EQ(videoFacts(QStringLiteral("Video: hevc, yuv420p10le, 1920x1080"),
                         QStringLiteral("<track type=\"Video\"><HDR_Format_Profile>dvhe.05</HDR_Format_Profile>"
                                        "<ScanType>Interlaced</ScanType><ScanOrder>BFF</ScanOrder></track>"))
                  .doviProfile,
              5);
}

// The output check: a turn, HDR or BT.2020 tags left in the file, or kept fields flagged progressive.
TEST(Playability, OutputShownWrong)
{
    const auto problems = [](const char *stream, bool fieldsKept) {
        const StreamReport parsed =
            parseStreamReport(QStringLiteral("  Stream #0:0: Video: ") + QString::fromUtf8(stream));
        return outputProblems(parsed, QString(), fieldsKept);
    };
    EXPECT_EQ(
        problems("h264 (High), yuv420p(progressive), 608x1080\n  Side data:\n    displaymatrix: rotation of 90.00 "
                 "degrees",
                 false),
        QStringList{QStringLiteral("video: shown rotated 90\u00B0")});
    EXPECT_EQ(problems("h264 (High), yuv420p(tv, bt2020nc/bt2020/smpte2084, progressive), 1280x720", false),
              QStringList{QStringLiteral("video: HDR (PQ) colours")});
    EXPECT_EQ(problems("h264 (High), yuv420p(tv, bt709, progressive), 720x576", true),
              QStringList{QStringLiteral("video: interlaced fields flagged progressive")});
    EXPECT_TRUE(problems("h264 (High), yuv420p(tv, bt709, progressive), 720x576", false).isEmpty());
    EXPECT_TRUE(problems("h264 (High), yuv420p(top first), 720x576", true).isEmpty());
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
    // The colours are tagged once converted.
    VideoFacts hdr = recordedFacts(QStringLiteral("uhd"));
    hdr.colourTransfer = QStringLiteral("arib-std-b67");
    EXPECT_TRUE(x264Arguments(hdr, settings, false)
                    .join(u' ')
                    .contains(QStringLiteral("-color_primaries bt709 -color_trc bt709 -colorspace bt709 -vf")));
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
    // Fields are made whole before the subtitle is laid over them.
    info.videoFacts.fieldOrder = FieldOrder::TopFirst;
    EXPECT_EQ(burnInGraph(info, info.pictureSubtitles.at(2)).last(),
              QStringLiteral("[0:0]bwdif=mode=send_frame:parity=tff[p];[p][0:5]overlay=(W-w)/2:H-h[v]"));

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
