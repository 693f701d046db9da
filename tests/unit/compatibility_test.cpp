// SPDX-License-Identifier: GPL-3.0-or-later
#include <QFile>
#include <gtest/gtest.h>

#include "qtprinters.h"

#include <cmath>

#include "inspection/compatibility.h"
#include "inspection/streamreport.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

TEST(Compatibility, CodecWarningsPerVideoLine)
{
    const struct
    {
        const char *line;
        QStringList warnings;
    } cases[] = {
        {"Stream #0:0: Video: h264 (High), yuv420p, 1920x1080", {}},
        {"Stream #0:0: Video: h264 (High 10), yuv420p10le, 1920x1080", {kTenBitVideoWarning}},
        {"Stream #0:0: Video: msmpeg4v3, yuv420p, 320x240", {}},
        {"Stream #0:0: Video: mpeg4 (Simple Profile) (XVID / 0x44495658), yuv420p, 624x352", {}},
        {"Stream #0:0: Video: hevc (Main 10), yuv420p10le, 3840x2160", {kWrongVideoWarning}},
        {"Stream #0:0: Video: vc1 (Advanced), yuv420p, 1920x1080", {kWrongVideoWarning}},
        {"Stream #0:0: Video: mpeg2video (Main), yuv420p, 720x576", {kWrongVideoWarning}},
        // Case matters: "high 10" is not the profile name.
        {"Stream #0:0: Video: h264 (high 10), yuv420p, 1280x720", {}},
        {"Stream #0:0: Video: hevc (High 10), yuv420p", {kWrongVideoWarning, kTenBitVideoWarning}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(codecWarnings(QString::fromLatin1(c.line)), c.warnings);
    }
}

TEST(Compatibility, RecordedReportsRaiseCodecWarningsOnlyForTheMovie)
{
    const struct
    {
        const char *file;
        QStringList warnings;
    } cases[] = {
        {"ffmpeg-matroska-full.txt", {}},    // PNG cover ignored
        {"ffmpeg-mp4-languages.txt", {}},    // MJPEG cover ignored
        {"ffmpeg-matroska-layouts.txt", {}}, // msmpeg4v3 counts as MPEG-4
        {"ffmpeg-mpegts-mpeg2.txt", {kWrongVideoWarning}},
        {"ffmpeg-h264-10bit.txt", {kTenBitVideoWarning}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        QStringList raised;
        for (const QString &line : parseStreamReport(test::fixtureText(QString::fromLatin1(c.file))).videoLines)
            raised += codecWarnings(line);
        EXPECT_EQ(raised, c.warnings);
    }
}

TEST(Compatibility, PictureSizeAndWidth)
{
    EXPECT_EQ(pictureSize(QStringLiteral("1920x1080")).width, 1920);
    EXPECT_EQ(pictureSize(QStringLiteral("1920x1080")).height, 1080);
    EXPECT_EQ(pictureSize(QStringLiteral("x")).width, 0);
    EXPECT_FALSE(isTooWide(pictureSize(QStringLiteral("1920x1080"))));
    EXPECT_TRUE(isTooWide(pictureSize(QStringLiteral("1921x800"))));
    EXPECT_FALSE(isTooWide(pictureSize(QStringLiteral("1080x1920"))));
}

TEST(Compatibility, ReferenceFrameLimits)
{
    const struct
    {
        qint64 width, height;
        double limit;
    } cases[] = {
        {1920, 1080, 4}, {1920, 1088, 4}, {1920, 800, 5},  {1440, 1080, 5},
        {1280, 720, 9},  {720, 576, 20},  {4096, 2048, 1}, {8192, 8192, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        EXPECT_EQ(referenceFrameLimit({c.width, c.height}), c.limit);
    }
    EXPECT_TRUE(std::isinf(referenceFrameLimit({0, 1080})));
    EXPECT_FALSE(hasTooManyReferenceFrames(1000, {1920, 0}));
    EXPECT_FALSE(hasTooManyReferenceFrames(4, {1920, 1080}));
    EXPECT_TRUE(hasTooManyReferenceFrames(5, {1920, 1080}));
    // Sizes whose product overflows 64 bits still give a limit of 0, not a wrapped one.
    EXPECT_TRUE(hasTooManyReferenceFrames(1, {qint64(1) << 40, qint64(1) << 40}));
}

TEST(Compatibility, ReferenceFrameCountFromMediainfo)
{
    EXPECT_EQ(referenceFrameCount(test::fixtureText(QStringLiteral("mediainfo-ref5.xml"))), 5);
    // Old spelling "4 frames"; with two video tracks the first counts.
    EXPECT_EQ(referenceFrameCount(test::fixtureText(QStringLiteral("mediainfo-old-refframes.xml"))), 4);
    EXPECT_EQ(referenceFrameCount(QStringLiteral("<Format_settings__ReFrames>3 frames</Format_settings__ReFrames>"
                                                 "<Format_Settings_RefFrames>6</Format_Settings_RefFrames>")),
              3);
    EXPECT_EQ(referenceFrameCount(QString()), std::nullopt);
    EXPECT_EQ(
        referenceFrameCount(QStringLiteral("<Format_settings__ReFrames_Other>3</Format_settings__ReFrames_Other>")),
        std::nullopt);
    EXPECT_EQ(referenceFrameCount(QStringLiteral("<Format_Settings_RefFrames>6")), std::nullopt);
}

TEST(Compatibility, MessagesAreFilledWithTheNameVerbatim)
{
    EXPECT_EQ(warningMessage(kWrongVideoWarning, QStringLiteral("100% %@ Film.mkv")),
              QStringLiteral("The file '100% %@ Film.mkv' doesn't contain a H264/MPEG4 video track so the result may "
                             "not be playable."));
    for (const QString &id : {kTenBitVideoWarning, kTooHighResWarning, kTooManyRefFramesWarning}) {
        const QString message = warningMessage(id, QStringLiteral("A.mkv"));
        EXPECT_TRUE(message.startsWith(QStringLiteral("The file 'A.mkv' "))) << message.toStdString();
        EXPECT_TRUE(message.endsWith(u'.') || message.endsWith(QStringLiteral("').")));
    }
}

} // namespace

TEST(VideoHeaderFacts, ReadTheFirstVideoTrackInBothSpellings)
{
    const QString current = QStringLiteral(
        "<track type=\"General\"><Format>Matroska</Format><FrameRate>50.000</FrameRate></track>"
        "<track "
        "type=\"Video\"><Format>AVC</Format><Format_Profile>High</Format_Profile><Format_Level>5.1</Format_Level>"
        "<Format_Settings_RefFrames>4</Format_Settings_RefFrames><FrameRate>23.976</FrameRate></track>"
        "<track type=\"Video\"><Format>AVC</Format><Format_Level>3</Format_Level></track>");
    VideoHeaderFacts facts = videoHeaderFacts(current);
    EXPECT_TRUE(facts.isAvc);
    EXPECT_EQ(facts.level, 5.1);
    EXPECT_EQ(facts.frameRate, 23.976);

    const QString old =
        QStringLiteral("<track type=\"Video\"><Format>AVC</Format><Format_profile>High@L4.1</Format_profile>"
                       "<Frame_rate>25.000 fps</Frame_rate></track>");
    facts = videoHeaderFacts(old);
    EXPECT_TRUE(facts.isAvc);
    EXPECT_EQ(facts.level, 4.1);
    EXPECT_EQ(facts.frameRate, 25.0);

    facts = videoHeaderFacts(
        QStringLiteral("<track type=\"Video\"><Format>HEVC</Format><Format_Level>5.1</Format_Level></track>"));
    EXPECT_FALSE(facts.isAvc);
    facts =
        videoHeaderFacts(QStringLiteral("<track type=\"Video\"><Format>AVC</Format><Format_Level>junk</Format_Level>"));
    EXPECT_TRUE(facts.isAvc);
    EXPECT_EQ(facts.level, std::nullopt);
    EXPECT_EQ(facts.frameRate, std::nullopt);
    EXPECT_FALSE(videoHeaderFacts(QStringLiteral("not xml")).isAvc);
}

TEST(VideoHeaderFacts, Level41FitsByFrameSizeReferenceFramesAndRate)
{
    EXPECT_TRUE(fitsLevel41({1920, 1080}, 4, 30.0));
    EXPECT_TRUE(fitsLevel41({1920, 1080}, 4, std::nullopt));
    EXPECT_FALSE(fitsLevel41({1920, 1080}, 5, 24.0)); // the reference-frame limit is 4 there
    EXPECT_FALSE(fitsLevel41({1920, 1080}, 4, 60.0)); // 1080p60 needs level 4.2
    EXPECT_TRUE(fitsLevel41({1280, 720}, 9, 60.0));
    EXPECT_FALSE(fitsLevel41({2048, 1152}, 1, 24.0)); // more than 8192 macroblocks a frame
    EXPECT_FALSE(fitsLevel41({0, 0}, 1, 24.0));
    EXPECT_FALSE(fitsLevel41({1280, 720}, 0, 24.0));
}
