// SPDX-License-Identifier: GPL-3.0-or-later
// Real conversions of pictures the console plays but would show wrong: turned by a display
// rotation, woven from two fields, or in HDR colours. Each comes out upright, progressive and in
// BT.709, with its display aspect, as H.264 the console plays.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include "conversionfixture.h"

using namespace tavrel;
using test::run;

namespace {

const QStringList kQuietly{"-hide_banner", "-loglevel", "error", "-y"};

QStringList pattern(const QString &size, const QString &rate, const QString &filters = QString())
{
    QStringList args{"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=%1:rate=%2").arg(size, rate)};
    if (!filters.isEmpty())
        args << "-vf" << filters;
    return args;
}

const QStringList kH264{"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};
const QStringList kHevc{"-c:v", "libx265", "-preset", "ultrafast", "-x265-params", "log-level=error"};
// Fields of different moments woven into each frame, as a DVD holds them.
QStringList dvd(const QString &size, const QString &fieldRate, const QString &sar, const QString &scan)
{
    return pattern(size, fieldRate, QStringLiteral("interlace=scan=%1,setsar=%2").arg(scan, sar))
        + QStringList{"-t", "1",      "-c:v",        "mpeg2video", "-b:v",
                      "6M", "-flags", "+ilme+ildct", "-top",       scan == "tff" ? "1" : "0"};
}
QStringList hdr(const QString &size, const QString &transfer, const QString &frames)
{
    return pattern(size, "24", "format=yuv420p10le") + QStringList{"-frames:v", frames} + kHevc
        + QStringList{"-color_primaries", "bt2020", "-color_trc", transfer, "-colorspace", "bt2020nc"};
}

struct Kind
{
    QString name;
    QStringList make;
    int rotateTag = 0; // the MP4/MOV "rotate" tag the movie is given after it is made
    int outWidth, outHeight;
    QStringList fixes; // as the job's log names them
};

const QList<Kind> kKinds = {
    {"phone h264 90.mp4",
     pattern("1920x1080", "30") + QStringList{"-t", "1"} + kH264,
     90,
     608,
     1080,
     {"rotated upright"}},
    {"phone h264 60fps 270.mp4",
     pattern("1920x1080", "60") + QStringList{"-t", "1"} + kH264,
     270,
     404,
     720,
     {"rotated upright"}},
    {"phone hevc 270.mov",
     pattern("1280x720", "30") + QStringList{"-t", "1"} + kHevc,
     270,
     608,
     1080,
     {"rotated upright"}},
    {"phone h264 180.mov",
     pattern("640x360", "30") + QStringList{"-t", "1"} + kH264,
     180,
     640,
     360,
     {"rotated upright"}},
    {"pal tff.mkv", dvd("720x576", "50", "64/45", "tff"), 0, 720, 576, {"deinterlaced"}},
    {"pal bff.mkv", dvd("720x576", "50", "64/45", "bff"), 0, 720, 576, {"deinterlaced"}},
    {"ntsc tff.mkv", dvd("720x480", "60000/1001", "8/9", "tff"), 0, 720, 480, {"deinterlaced"}},
    {"ntsc bff.mkv", dvd("720x480", "60000/1001", "8/9", "bff"), 0, 720, 480, {"deinterlaced"}},
    {"hdr10 4k.mkv", hdr("3840x2160", "smpte2084", "5"), 0, 1920, 1080, {"HDR tone mapped to SDR"}},
    {"hlg.mp4", hdr("1280x720", "arib-std-b67", "24"), 0, 1280, 720, {"HDR tone mapped to SDR"}},
    {"dvd anamorphic.mkv",
     pattern("720x480", "30000/1001", "setsar=32/27") + QStringList{"-t", "1", "-c:v", "mpeg2video"},
     0,
     720,
     480,
     {}},
};

// Width over height as shown: the stored size, the pixels' aspect and the turn.
double shownAspect(const QJsonObject &video)
{
    const QStringList sar = video.value("sample_aspect_ratio").toString("1:1").split(u':');
    const double pixel = sar.size() == 2 && sar.at(1).toDouble() > 0 ? sar.at(0).toDouble() / sar.at(1).toDouble() : 1;
    const double aspect = video.value("width").toDouble() * (pixel > 0 ? pixel : 1) / video.value("height").toDouble();
    for (const QJsonValue &data : video.value("side_data_list").toArray())
        if (int(std::abs(data.toObject().value("rotation").toDouble())) % 180 == 90)
            return 1 / aspect;
    return aspect;
}

bool hasRotation(const QJsonObject &video)
{
    for (const QJsonValue &data : video.value("side_data_list").toArray())
        if (data.toObject().value("side_data_type").toString() == "Display Matrix")
            return true;
    return false;
}

// idet's counts over the whole picture: woven frames (either field first) and progressive ones.
std::pair<int, int> wovenAndProgressiveFrames(const QString &path)
{
    QProcess idet;
    idet.setProcessChannelMode(QProcess::MergedChannels);
    idet.start("ffmpeg", {"-hide_banner", "-nostats", "-i", path, "-map", "0:v", "-vf", "idet", "-f", "null", "-"});
    EXPECT_TRUE(idet.waitForFinished(120000));
    const QRegularExpressionMatch counts =
        QRegularExpression("Multi frame detection: TFF: *(\\d+) BFF: *(\\d+) Progressive: *(\\d+)")
            .match(QString::fromUtf8(idet.readAll()));
    EXPECT_TRUE(counts.hasMatch());
    return {counts.captured(1).toInt() + counts.captured(2).toInt(), counts.captured(3).toInt()};
}

class PictureShownTest : public test::ConversionFixture
{
protected:
    static void SetUpTestSuite()
    {
        movies = new QTemporaryDir;
        for (const Kind &kind : kKinds) {
            const QString path = movies->filePath(kind.name);
            if (kind.rotateTag == 0) {
                run("ffmpeg", kQuietly + kind.make + QStringList{path});
                continue;
            }
            const QString plain = movies->filePath("plain " + kind.name);
            run("ffmpeg", kQuietly + kind.make + QStringList{plain});
            run("ffmpeg",
                kQuietly
                    + QStringList{"-i", plain, "-c", "copy", "-metadata:s:v:0",
                                  QStringLiteral("rotate=%1").arg(kind.rotateTag), path});
        }
    }
};

TEST_F(PictureShownTest, EveryKindComesOutUprightProgressiveAndInBt709)
{
    for (const Kind &kind : kKinds) {
        SCOPED_TRACE(kind.name.toStdString());
        const QString source = moviePath(kind.name);
        const QJsonObject sourceVideo = streams(source).at(0).toObject();
        const bool interlaced = kind.fixes.contains("deinterlaced");
        if (interlaced) {
            EXPECT_GT(wovenAndProgressiveFrames(source).first, 0) << "the sample is not interlaced";
        }

        auto info = probe(kind.name);
        EXPECT_EQ(info->videoVerdict.action, VideoAction::Reencode);
        const QString out = QString(kind.name).replace(QRegularExpression("\\.\\w+$"), ".mp4");
        ConversionJob *job = convert(info, out);
        for (const QString &fix : kind.fixes)
            EXPECT_TRUE(job->log().contains(fix)) << job->log().toStdString();
        // A progressive picture never goes through the deinterlacer.
        EXPECT_EQ(job->arguments().join(u' ').contains("bwdif"), interlaced);

        const QJsonObject video = expectPlaysOnConsole(output.filePath(out));
        EXPECT_FALSE(hasRotation(video));
        EXPECT_EQ(video.value("width").toInt(), kind.outWidth);
        EXPECT_EQ(video.value("height").toInt(), kind.outHeight);
        EXPECT_NEAR(shownAspect(video) / shownAspect(sourceVideo), 1.0, 0.01);
        if (interlaced) {
            const auto [woven, progressive] = wovenAndProgressiveFrames(output.filePath(out));
            EXPECT_GT(progressive, 0);
            EXPECT_LE(woven * 10, progressive);
        }
        const QStringList colours{video.value("color_primaries").toString(), video.value("color_transfer").toString(),
                                  video.value("color_space").toString()};
        if (kind.fixes.contains("HDR tone mapped to SDR")) {
            EXPECT_EQ(colours, QStringList({"bt709", "bt709", "bt709"}));
        }
        for (const char *wide : {"bt2020", "smpte2084", "arib-std-b67", "bt2020nc"})
            EXPECT_FALSE(colours.contains(QString::fromLatin1(wide)));
    }

    // Re-encoding off: the copy keeps its turn as before, and the log says what the console shows wrong.
    settings::setDefaultInt(settings::kReencodeVideoKey, 0);
    ConversionJob *copied = convert(probe("phone h264 90.mp4"), "copied.mp4");
    EXPECT_TRUE(
        copied->log().contains(QStringLiteral("the console will show this video wrong (shown rotated 90\u00B0)")))
        << copied->log().toStdString();
    expectVideoCopied("phone h264 90.mp4", "copied.mp4");
    EXPECT_TRUE(hasRotation(streams(output.filePath("copied.mp4")).at(0).toObject()));

    // A picture no filter here can show right ends Failed before ffmpeg runs, and writes nothing.
    settings::setDefaultInt(settings::kReencodeVideoKey, 1);
    auto dolbyVision = probe("hlg.mp4");
    dolbyVision->videoFacts.doviProfile = 5;
    dolbyVision->videoVerdict = videoVerdict(dolbyVision->videoFacts);
    ConversionJob *refused = runJob(dolbyVision, "dovi.mp4");
    EXPECT_EQ(refused->state(), Failed);
    EXPECT_TRUE(refused->jobOutput().contains("Dolby Vision profile 5")) << refused->jobOutput().toStdString();
    EXPECT_TRUE(refused->arguments().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(output.filePath("dovi.mp4")));
}

} // namespace
