// SPDX-License-Identifier: GPL-3.0-or-later
// Real conversions of pictures the console cannot play: each comes out as H.264 it plays, read
// back with ffprobe and mediainfo; a picture that plays is copied bit for bit; picture
// subtitles are burned in or reported.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "conversionfixture.h"

using namespace tavrel;
using test::run;

namespace {

const QStringList kQuiet{"-hide_banner", "-loglevel", "error", "-y"};

QStringList picture(const QString &size, int rate = 25)
{
    return {"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=%1:rate=%2").arg(size).arg(rate)};
}

// A tone, made 5.1 or stereo by the "-ac" of each movie.
const QStringList kTone{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000"};
const QStringList kX264{"-c:v", "libx264", "-preset", "superfast"};

// The kinds of picture the console refuses, as collections hold them (a few frames each).
const QList<std::pair<QString, QStringList>> kUnplayable = {
    {"hevc8.mkv",
     picture("640x360") + kTone
         + QStringList{"-t", "1", "-c:v", "libx265", "-x265-params", "preset=ultrafast:log-level=error", "-pix_fmt",
                       "yuv420p", "-c:a", "aac", "-ac", "6"}},
    {"hevc10.mkv",
     picture("1920x1080")
         + QStringList{"-frames:v", "5", "-c:v", "libx265", "-x265-params", "preset=ultrafast:log-level=error",
                       "-pix_fmt", "yuv420p10le"}},
    {"high10.mkv", picture("640x360") + QStringList{"-t", "1"} + kX264 + QStringList{"-pix_fmt", "yuv420p10le"}},
    {"444.mkv", picture("640x360") + QStringList{"-t", "1"} + kX264 + QStringList{"-pix_fmt", "yuv444p"}},
    {"uhd.mkv", picture("3840x2160") + QStringList{"-frames:v", "3"} + kX264 + QStringList{"-pix_fmt", "yuv420p"}},
    {"refs8.mkv",
     picture("1920x1080") + QStringList{"-frames:v", "10"} + kX264
         + QStringList{"-pix_fmt", "yuv420p", "-level", "5.1", "-x264-params", "ref=8"}},
    {"fps60.mkv",
     picture("1920x1080", 60) + QStringList{"-frames:v", "10"} + kX264 + QStringList{"-pix_fmt", "yuv420p"}},
    {"mpeg2.mkv", picture("720x576") + QStringList{"-t", "1", "-c:v", "mpeg2video", "-aspect", "16:9"}},
    {"av1.mkv", picture("640x360") + QStringList{"-frames:v", "5", "-c:v", "libsvtav1", "-preset", "12"}},
};

class ReencodeTest : public test::ConversionFixture
{
protected:
    static void SetUpTestSuite()
    {
        movies = new QTemporaryDir;
        for (const auto &[name, args] : kUnplayable)
            run("ffmpeg", kQuiet + args + QStringList{movies->filePath(name)});
        run("ffmpeg",
            kQuiet + picture("1280x720") + kTone
                + QStringList{"-t", "1", "-c:v", "libx264", "-preset", "superfast", "-pix_fmt", "yuv420p", "-c:a",
                              "aac", "-ac", "2", movies->filePath("plays.mkv")});
        // A DVD-like picture with a VobSub track, forced and not; and an H.264 one that plays.
        const QString subtitles = QStringLiteral(TAVREL_TEST_FIXTURES "/picture-subtitles.mkv");
        for (const char *disposition : {"forced", "0"})
            run("ffmpeg",
                kQuiet + picture("720x576")
                    + QStringList{"-i", subtitles, "-t", "3", "-map", "0:v", "-map", "1:s", "-c:v", "mpeg2video",
                                  "-c:s", "copy", "-disposition:s:0", disposition,
                                  movies->filePath(QStringLiteral("dvd %1.mkv").arg(disposition))});
        run("ffmpeg",
            kQuiet + picture("720x576") + QStringList{"-i", subtitles, "-t", "3", "-map", "0:v", "-map", "1:s"} + kX264
                + QStringList{"-pix_fmt", "yuv420p", "-c:s", "copy", movies->filePath("h264 subs.mkv")});
    }
};

TEST_F(ReencodeTest, EveryUnplayablePictureComesOutAsH264ThatPlays)
{
    for (const auto &[name, args] : kUnplayable) {
        SCOPED_TRACE(name.toStdString());
        auto info = probe(name);
        EXPECT_EQ(info->videoVerdict.action, VideoAction::Reencode);
        const QString out = QString(name).replace(".mkv", ".mp4");
        ConversionJob *job = convert(info, out);
        EXPECT_TRUE(job->arguments().contains("libx264"));
        EXPECT_TRUE(job->log().contains("re-encoding the video to H.264")) << job->log().toStdString();

        const QJsonObject video = expectPlaysOnConsole(output.filePath(out));
        const int width = video.value("width").toInt();
        const int height = video.value("height").toInt();
        // Above 30 frames a second the picture fits 1280x720.
        if (name == "fps60.mkv") {
            EXPECT_EQ(width, 1280);
            EXPECT_EQ(height, 720);
        }
    }
    // 5.1 AAC became six-channel AC3.
    const QJsonArray hevc = streams(output.filePath("hevc8.mp4"));
    ASSERT_EQ(hevc.size(), 2);
    EXPECT_EQ(hevc.at(1).toObject().value("codec_name").toString(), "ac3");
    EXPECT_EQ(hevc.at(1).toObject().value("channels").toInt(), 6);
}

TEST_F(ReencodeTest, PlayablePictureIsCopiedAndReencodingOffKeepsTheOldWay)
{
    ConversionJob *job = convert(probe("plays.mkv"), "plays.mp4");
    EXPECT_FALSE(job->arguments().contains("libx264"));
    expectVideoCopied("plays.mkv", "plays.mp4");

    // Off: the picture is copied as it is; the job finishes and its log says the console may refuse it.
    settings::setDefaultInt(settings::kReencodeVideoKey, 0);
    ConversionJob *copied = convert(probe("hevc8.mkv"), "hevc8 copied.mp4");
    EXPECT_FALSE(copied->arguments().contains("libx264"));
    expectVideoCopied("hevc8.mkv", "hevc8 copied.mp4");
    EXPECT_TRUE(copied->log().contains("The console will not play the converted file (video: HEVC)"))
        << copied->log().toStdString();
}

TEST_F(ReencodeTest, PictureSubtitlesAreBurnedInWhenForcedAndReportedWhenLeftOut)
{
    ConversionJob *burned = convert(probe("dvd forced.mkv"), "burned.mp4");
    EXPECT_TRUE(burned->log().contains("burning in the forced picture subtitle track #1 (VobSub, eng)"))
        << burned->log().toStdString();
    ConversionJob *plain = convert(probe("dvd 0.mkv"), "plain.mp4");
    EXPECT_TRUE(plain->log().contains("1 picture subtitle track (VobSub) left out: the console shows text subtitles "
                                      "only"))
        << plain->log().toStdString();
    for (const QString &out : QStringList{"burned.mp4", "plain.mp4"})
        EXPECT_EQ(test::ConversionFixture::streams(output.filePath(out)).size(), 1) << out.toStdString();
    // The subtitle shows from 0.2 s to 1.5 s.
    const auto frameAt = [&](const QString &out, const char *time) {
        return run("ffmpeg",
                   {"-v", "error", "-ss", time, "-i", output.filePath(out), "-frames:v", "1", "-f", "md5", "-"});
    };
    EXPECT_NE(frameAt("burned.mp4", "1.0"), frameAt("plain.mp4", "1.0"));

    // A picture that plays is copied: its subtitle is left out, said so, and the job finishes.
    auto info = probe("h264 subs.mkv");
    EXPECT_TRUE(info->conversionNotes.join(u' ').contains("1 picture subtitle track (VobSub) left out"));
    ConversionJob *copied = convert(info, "h264 subs.mp4");
    EXPECT_TRUE(copied->log().contains("left out: the console shows text subtitles only"));
    expectVideoCopied("h264 subs.mkv", "h264 subs.mp4");
}

} // namespace
