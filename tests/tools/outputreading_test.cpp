// SPDX-License-Identifier: GPL-3.0-or-later
// The output check reads a converted file with mediainfo alone: for real MP4 files of every kind
// the check meets, that reading must find what ffmpeg's report and mediainfo together find.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "../unit/qtprinters.h"

#include "inspection/mediainforeport.h"
#include "inspection/mkvfileinfo.h"
#include "inspection/runastask.h"
#include "moviemaker.h"

using namespace tavrel;

namespace {

const QStringList kX264{"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};

// Inputs of a fifth of a second; the output options follow them all.
QStringList picture(const QString &size, const QString &rate = QStringLiteral("25"))
{
    return {"-f", "lavfi", "-t", "0.2", "-i", QStringLiteral("testsrc2=size=%1:rate=%2").arg(size, rate)};
}

QStringList sound(const QString &rate = QStringLiteral("48000"))
{
    return {"-f", "lavfi", "-t", "0.2", "-i", "sine=sample_rate=" + rate};
}

QStringList colours(const QString &primaries, const QString &transfer)
{
    return {"-color_primaries", primaries, "-colorspace", "bt2020nc", "-color_trc", transfer};
}

struct Row
{
    const char *name;
    QStringList make;
    int rotateTag; // given afterwards by a copy, as ffmpeg 5.1 takes it only there
    bool fieldsKept;
    QStringList problems; // what both readings find
};

// The problems, streams and running time of both readings; the problems are also `expected`.
void expectSameReading(const QString &path, bool fieldsKept, const QStringList &expected)
{
    const StreamReport ffmpeg = parseStreamReport(*runTask({toolPath("ffmpeg"), "-i", path}).output, path);
    const QString xml = *runTask(mediainfoArguments(path)).output;
    const MediainfoReport mediainfo = parseMediainfoReport(xml);
    EXPECT_EQ(outputProblems(ffmpeg, xml, fieldsKept), expected);
    EXPECT_EQ(outputProblems(mediainfo.video, mediainfo.streams.audioTracks,
                             !mediainfo.streams.pictureSubtitles.isEmpty(), fieldsKept),
              expected);
    EXPECT_EQ(mediainfo.streams.videoTrackID.has_value(), ffmpeg.videoTrackID.has_value());
    EXPECT_EQ(mediainfo.streams.audioTracks.size(), ffmpeg.audioTracks.size());
    EXPECT_EQ(mediainfo.streams.subtitleCount, ffmpeg.subtitleCount);
    EXPECT_EQ(mediainfo.streams.runtimeSeconds, ffmpeg.runtimeSeconds);
}

TEST(OutputReading, MediainfoAloneFindsWhatBothToolsFind)
{
    QTemporaryDir dir;
    const QString srt = dir.filePath("s.srt");
    QFile subtitles(srt);
    ASSERT_TRUE(subtitles.open(QIODevice::WriteOnly));
    subtitles.write("1\n00:00:00,000 --> 00:00:01,000\nHello\n");
    subtitles.close();
    const QStringList hevc{"-c:v", "libx265", "-x265-params", "log-level=error", "-pix_fmt", "yuv420p10le"};
    const QList<Row> rows{
        {"plays", picture("320x240") + sound() + kX264 + QStringList{"-c:a", "aac", "-ac", "2"}, 0, false, {}},
        {"rotated", picture("320x240") + kX264, 90, false, {"video: shown rotated 90\u00B0"}},
        {"rotated back", picture("320x240") + kX264, 270, false, {"video: shown rotated 270\u00B0"}},
        {"pq hevc",
         picture("320x240") + hevc + colours("bt2020", "smpte2084"),
         0,
         false,
         {"video: HEVC, 10-bit, HDR (PQ) colours"}},
        {"hlg", picture("320x240") + kX264 + colours("bt2020", "arib-std-b67"), 0, false, {"video: HDR (HLG) colours"}},
        {"bt2020", picture("320x240") + kX264 + colours("bt2020", "bt709"), 0, false, {"video: BT.2020 colours"}},
        {"fields kept", picture("720x576") + kX264 + QStringList{"-flags", "+ildct+ilme"}, 0, true, {}},
        {"fields lost", picture("720x576") + kX264, 0, true, {"video: interlaced fields flagged progressive"}},
        {"1080p60", picture("1920x1080", "60") + kX264, 0, false, {"video: 1080p at 60 frames a second"}},
        {"level 5.1",
         picture("320x240") + kX264 + QStringList{"-level", "5.1"},
         0,
         false,
         {"video: flagged level 5.1"}},
        {"refs",
         picture("1920x1080") + kX264 + QStringList{"-x264-params", "ref=9"},
         0,
         false,
         {"video: 9 reference frames at 1920\u00D71080"}},
        {"mpeg2", picture("320x240") + QStringList{"-c:v", "mpeg2video"}, 0, false, {"video: MPEG-2"}},
        {"mpeg4 asp", picture("320x240") + QStringList{"-c:v", "mpeg4", "-bf", "2"}, 0, false, {}},
        {"surround aac, 96 kHz",
         sound() + sound("96000") + QStringList{"-map", "0", "-map", "1", "-c:a", "aac", "-ac:a:0", "6"},
         0,
         false,
         {"audio: AAC with 6 channels", "audio: 96000 Hz"}},
        {"ac3 surround, subtitles",
         sound() + QStringList{"-i", srt, "-map", "0", "-map", "1", "-c:a", "ac3", "-ac", "6", "-c:s", "mov_text"},
         0,
         false,
         {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.filePath(QString::fromUtf8(row.name) + ".mp4");
        if (row.rotateTag == 0) {
            ASSERT_TRUE(test::makeMovie(row.make, path));
        } else {
            ASSERT_TRUE(test::makeMovie(row.make, path + ".plain.mp4"));
            ASSERT_TRUE(test::makeMovie({"-i", path + ".plain.mp4", "-c", "copy", "-metadata:s:v:0",
                                         QStringLiteral("rotate=%1").arg(row.rotateTag)},
                                        path));
        }
        expectSameReading(path, row.fieldsKept, row.problems);
    }
    // A file no tool can read: no streams and no running time either way.
    QFile junk(dir.filePath("junk.mp4"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("fake movie");
    junk.close();
    expectSameReading(junk.fileName(), false, {});
}

} // namespace
