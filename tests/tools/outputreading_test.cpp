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

QStringList colours(const QString &transfer)
{
    return {"-color_primaries", "bt2020", "-colorspace", "bt2020nc", "-color_trc", transfer};
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct Row
{
    const char *name;
    QStringList problems; // what both readings find
    QStringList make;
    bool fieldsKept = false;
    int rotateTag = 0; // given afterwards by a copy, as ffmpeg 5.1 takes it only there
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
    write(srt, "1\n00:00:00,000 --> 00:00:01,000\nHello\n");
    const QStringList small = picture("320x240");
    const QStringList hevc{"-c:v", "libx265", "-x265-params", "log-level=error", "-pix_fmt", "yuv420p10le"};
    const QList<Row> rows{
        {"plays", {}, small + sound() + kX264 + QStringList{"-c:a", "aac", "-ac", "2"}},
        {"rotated", {"video: shown rotated 90\u00B0"}, small + kX264, false, 90},
        {"rotated back", {"video: shown rotated 270\u00B0"}, small + kX264, false, 270},
        {"pq hevc", {"video: HEVC, 10-bit, HDR (PQ) colours"}, small + hevc + colours("smpte2084")},
        {"hlg", {"video: HDR (HLG) colours"}, small + kX264 + colours("arib-std-b67")},
        {"bt2020", {"video: BT.2020 colours"}, small + kX264 + colours("bt709")},
        {"fields kept", {}, picture("720x576") + kX264 + QStringList{"-flags", "+ildct+ilme"}, true},
        {"fields lost", {"video: interlaced fields flagged progressive"}, picture("720x576") + kX264, true},
        {"1080p60", {"video: 1080p at 60 frames a second"}, picture("1920x1080", "60") + kX264},
        {"level 5.1", {"video: flagged level 5.1"}, small + kX264 + QStringList{"-level", "5.1"}},
        {"refs",
         {"video: 9 reference frames at 1920\u00D71080"},
         picture("1920x1080") + kX264 + QStringList{"-x264-params", "ref=9"}},
        {"mpeg2", {"video: MPEG-2"}, small + QStringList{"-c:v", "mpeg2video"}},
        {"mpeg4 asp", {}, small + QStringList{"-c:v", "mpeg4", "-bf", "2"}},
        {"surround aac, 96 kHz",
         {"audio: AAC with 6 channels", "audio: 96000 Hz"},
         sound() + sound("96000") + QStringList{"-map", "0", "-map", "1", "-c:a", "aac", "-ac:a:0", "6"}},
        {"ac3 surround, subtitles",
         {},
         sound() + QStringList{"-i", srt, "-map", "0", "-map", "1", "-c:a", "ac3", "-ac", "6", "-c:s", "mov_text"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.filePath(QString::fromUtf8(row.name) + ".mp4");
        const QString made = row.rotateTag == 0 ? path : path + ".plain.mp4";
        ASSERT_TRUE(test::makeMovie(row.make, made));
        if (row.rotateTag != 0) {
            ASSERT_TRUE(test::makeMovie(
                {"-i", made, "-c", "copy", "-metadata:s:v:0", QStringLiteral("rotate=%1").arg(row.rotateTag)}, path));
        }
        expectSameReading(path, row.fieldsKept, row.problems);
    }
    // A file no tool can read: no streams and no running time either way.
    write(dir.filePath("junk.mp4"), "fake movie");
    expectSameReading(dir.filePath("junk.mp4"), false, {});
}

} // namespace
