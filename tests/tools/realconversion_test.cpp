// SPDX-License-Identifier: GPL-3.0-or-later
// Real conversions with the installed ffmpeg of short movies made at test time, checked with
// ffprobe: codecs, channels, bitrates, subtitle tracks and the video copied bit for bit.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <csignal>

#include <sys/stat.h>

#include "conversionfixture.h"
#include "pacedfeeder.h"

using namespace tavrel;
using test::makeFile;
using test::run;

namespace {

const QString kVideo = QStringLiteral("testsrc=size=160x120:rate=25");
const QString kSine = QStringLiteral("sine=frequency=440:sample_rate=48000");
const QString kSurround = QStringLiteral("[1:a]pan=5.1(side)|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0[a]");

class RealConversionTest : public test::ConversionFixture
{
protected:
    static void SetUpTestSuite()
    {
        ::signal(SIGPIPE, SIG_IGN); // a feeder whose ffmpeg has gone gets an error, not the signal
        movies = new QTemporaryDir;
        const QString d = movies->path();
        const QStringList h264{"-c:v", "libx264", "-pix_fmt", "yuv420p"};
        const QStringList quiet{"-hide_banner", "-loglevel", "error", "-y"};
        makeFile(d + "/s.srt", "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,000 --> 00:00:02,000\nWorld\n");
        run("ffmpeg",
            quiet + QStringList{"-f", "lavfi", "-i", kVideo, "-f", "lavfi", "-i", kSine, "-t", "2"} + h264
                + QStringList{"-c:a", "aac", d + "/aac.mkv"});
        // The same streams in MPEG-TS, where AAC frames carry ADTS headers.
        run("ffmpeg", quiet + QStringList{"-i", d + "/aac.mkv", "-c", "copy", d + "/aac.ts"});
        run("ffmpeg",
            quiet + QStringList{"-f",
                                "lavfi",
                                "-i",
                                kVideo,
                                "-f",
                                "lavfi",
                                "-i",
                                kSine,
                                "-i",
                                d + "/s.srt",
                                "-t",
                                "2",
                                "-filter_complex",
                                kSurround,
                                "-map",
                                "0:v",
                                "-map",
                                "[a]",
                                "-map",
                                "2:s"}
                + h264
                + QStringList{"-c:a", "dca", "-strict", "-2", "-c:s", "srt", "-metadata:s:a:0", "language=ger",
                              d + "/dts.mkv"});
        run("ffmpeg",
            quiet
                + QStringList{"-f", "lavfi", "-i", kVideo, "-f", "lavfi", "-i", kSine, "-t", "2", "-filter_complex",
                              kSurround, "-map", "0:v", "-map", "[a]"}
                + h264 + QStringList{"-c:a", "ac3", d + "/ac3.mkv"});
        run("ffmpeg",
            quiet + QStringList{"-f", "lavfi", "-i", kVideo, "-t", "2"} + h264 + QStringList{d + "/silent.mkv"});
        // A title and a track name in Latin-1: the bytes reach ffmpeg through a metadata file,
        // since arguments are passed as UTF-8.
        makeFile(d + "/latin1.txt", ";FFMETADATA1\ntitle=Caf\xe9 au lait\n");
        run("ffmpeg",
            quiet
                + QStringList{"-f", "lavfi", "-i", kVideo, "-f", "lavfi", "-i", kSine, "-i", d + "/latin1.txt", "-t",
                              "2", "-map", "0:v", "-map", "1:a", "-map_metadata", "2"}
                + h264 + QStringList{"-c:a", "ac3", "-metadata:s:a:0", "language=fre", d + "/latin1.mkv"});
        // A 7.1 FLAC track, as Blu-ray copies carry them.
        run("ffmpeg",
            quiet
                + QStringList{"-f", "lavfi", "-i", kVideo, "-f", "lavfi", "-i", kSine, "-t", "2", "-filter_complex",
                              "[1:a]pan=7.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0|c6=c0|c7=c0[a]", "-map", "0:v", "-map",
                              "[a]"}
                + h264 + QStringList{"-c:a", "flac", "-metadata:s:a:0", "language=ger", d + "/flac71.mkv"});
        // Long enough (15 minutes of a tiny picture and PCM sound, re-encoded) for the
        // once-a-second progress reading to see the conversion under way.
        run("ffmpeg",
            quiet
                + QStringList{"-f", "lavfi", "-i", "testsrc=size=64x48:rate=1", "-f", "lavfi", "-i",
                              "sine=frequency=440:sample_rate=8000", "-t", "900"}
                + h264 + QStringList{"-c:a", "pcm_s16le", d + "/long.mkv"});
    }
};

} // namespace

TEST_F(RealConversionTest, AacIsCopiedWithTheBaseArguments)
{
    auto info = probe("aac.mkv");
    ASSERT_EQ(audioTrackDescriptions(info->audioTracks), QStringList{"#1: unk (aac)"});
    ConversionJob *job = convert(info, "aac.mp4");
    EXPECT_FALSE(job->slowmode());
    // ffmpeg writes a hidden file of the job's own next to the output, moved there once checked.
    const QStringList args = job->arguments();
    EXPECT_EQ(args.mid(0, args.size() - 1),
              (QStringList{"-i", movies->filePath("aac.mkv"), "-stats", "-map", "0:0", "-map", "0:1", "-scodec",
                           "mov_text", "-vcodec", "copy", "-acodec", "copy", "-progress", job->progressFile(),
                           "-loglevel", "warning", "-y"}));
    EXPECT_TRUE(QRegularExpression(QRegularExpression::anchoredPattern(QRegularExpression::escape(output.path())
                                                                       + R"(/\.tavrel-\w{6}\.partial\.mp4)"))
                    .match(args.last())
                    .hasMatch())
        << args.last().toStdString();
    EXPECT_FALSE(QFile::exists(args.last()));
    EXPECT_TRUE(QFile::exists(output.filePath("aac.mp4")));
    EXPECT_TRUE(job->partialOutputPath().isEmpty());
    EXPECT_EQ(codecs(streams(output.filePath("aac.mp4"))), (QStringList{"h264", "aac"}));
    expectVideoCopied("aac.mkv", "aac.mp4");
    EXPECT_TRUE(job->stateInfoString().startsWith("Status: Finished [Conversion took: "));
    EXPECT_EQ(job->progress(), 100.0f);
    EXPECT_EQ(platform.sleep.held, 0);
    job->remove();
    EXPECT_TRUE(QFile::exists(output.filePath("aac.mp4")));
    EXPECT_FALSE(QFile::exists(job->progressFile()));
}

// The fix-up test runs only where the container leaves its answer open. Behind the wrapper, ffmpeg
// adds no bitstream filter by itself (as 5.1 does), so ADTS AAC needs the one the test asks for.
TEST_F(RealConversionTest, AdtsAacAloneGetsTheFixupTestAndItsFilter)
{
    QTemporaryDir res;
    const QString calls = res.filePath("calls");
    makeFile(res.filePath("ffmpeg"),
             "#!/bin/bash\necho \"$*\" >> '" + calls.toUtf8() + "'\nreal='"
                 + QStandardPaths::findExecutable("ffmpeg").toUtf8()
                 + "'\n[ $# -le 2 ] && exec \"$real\" \"$@\"\n"
                   "exec \"$real\" \"${@:1:$#-1}\" -fflags -autobsf \"${@: -1}\"\n");
    QFile::setPermissions(res.filePath("ffmpeg"), QFile::ReadOwner | QFile::ExeOwner);
    const test::ScopedResourceDir resources(res.path());
    for (const auto &[movie, tested] : {std::pair{"aac.ts", true}, std::pair{"aac.mkv", false}}) {
        SCOPED_TRACE(movie);
        auto info = probe(movie);
        QFile::remove(calls);
        ConversionJob *job = convert(info, QString::fromUtf8(movie) + ".mp4");
        QFile log(calls);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_EQ(log.readAll().contains(" -t 1 "), tested);
        EXPECT_EQ(job->arguments().contains("aac_adtstoasc"), tested) << job->arguments().join(u' ').toStdString();
        EXPECT_EQ(codecs(streams(output.filePath(QString::fromUtf8(movie) + ".mp4"))), (QStringList{"h264", "aac"}));
        job->remove();
    }
}

TEST_F(RealConversionTest, DtsSurroundBecomesSixChannelAc3)
{
    settings::setDefaultInt(settings::kDTSDownmixKey, 0);
    settings::setDefaultInt(settings::kAC3SurroundBitrateKey, 3);
    auto info = probe("dts.mkv");
    ASSERT_EQ(audioTrackDescriptions(info->audioTracks), QStringList{"#1: ger (dts) [5.1]"});
    ConversionJob *job = convert(info, "dts.mp4");
    const QJsonArray list = streams(output.filePath("dts.mp4"));
    // Embedded subtitles are left out by default.
    ASSERT_EQ(codecs(list), (QStringList{"h264", "ac3"}));
    const QJsonObject audio = list.at(1).toObject();
    EXPECT_EQ(audio.value("channels").toInt(), 6);
    EXPECT_EQ(audio.value("bit_rate").toString(), "576000");
    EXPECT_EQ(audio.value("sample_rate").toString(), "48000");
    expectVideoCopied("dts.mkv", "dts.mp4");
    job->remove();
}

TEST_F(RealConversionTest, Ac3SurroundDownmixedToStereo)
{
    settings::setDefaultInt(settings::kAC3DownmixKey, 1);
    auto info = probe("ac3.mkv");
    ASSERT_EQ(audioTrackDescriptions(info->audioTracks), QStringList{"#1: unk (ac3) [5.1]"});
    ConversionJob *job = convert(info, "ac3.mp4");
    const QJsonArray list = streams(output.filePath("ac3.mp4"));
    ASSERT_EQ(codecs(list), (QStringList{"h264", "ac3"}));
    EXPECT_EQ(list.at(1).toObject().value("channels").toInt(), 2);
    EXPECT_EQ(list.at(1).toObject().value("bit_rate").toString(), "192000");
    expectVideoCopied("ac3.mkv", "ac3.mp4");
    job->remove();
}

TEST_F(RealConversionTest, EmbeddedAndExternalSubtitlesBecomeTextTracks)
{
    settings::setDefaultInt(settings::kDisableBuiltinSubtitlesKey, 0);
    auto info = probe("dts.mkv");
    ASSERT_EQ(info->subtitleTrackIDs, QList<int>{2});
    ConversionJob *job = convert(info, "dts subs.mp4", movies->filePath("s.srt"));
    EXPECT_EQ(codecs(streams(output.filePath("dts subs.mp4"))), (QStringList{"h264", "ac3", "mov_text", "mov_text"}));
    expectVideoCopied("dts.mkv", "dts subs.mp4");
    job->remove();
}

TEST_F(RealConversionTest, EverySubtitleFileKindConverts)
{
    const QString d = movies->path();
    makeFile(d + "/s.ass",
             "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\nFormat: Name, Fontname, Fontsize, "
             "PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, "
             "StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
             "MarginL, MarginR, MarginV, Encoding\nStyle: Default,Arial,20,&H00FFFFFF,&H000000FF,"
             "&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,0,2,10,10,10,1\n\n[Events]\nFormat: Layer, "
             "Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\nDialogue: 0,0:00:00.00,"
             "0:00:01.00,Default,,0,0,0,,Hello\n");
    makeFile(d + "/s.ssa",
             "[Script Info]\nScriptType: v4.00\n\n[V4 Styles]\nFormat: Name, Fontname, Fontsize, "
             "PrimaryColour, SecondaryColour, TertiaryColour, BackColour, Bold, Italic, BorderStyle, "
             "Outline, Shadow, Alignment, MarginL, MarginR, MarginV, AlphaLevel, Encoding\nStyle: "
             "Default,Arial,20,16777215,255,0,0,0,0,1,2,0,2,10,10,10,0,1\n\n[Events]\nFormat: Marked, "
             "Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\nDialogue: Marked=0,"
             "0:00:00.00,0:00:01.00,Default,,0000,0000,0000,,Hello\n");
    makeFile(d + "/s.smi",
             "<SAMI>\n<HEAD><TITLE>t</TITLE></HEAD>\n<BODY>\n<SYNC Start=0><P Class=ENCC>Hello\n"
             "<SYNC Start=1000><P Class=ENCC>&nbsp;\n</BODY>\n</SAMI>\n");
    makeFile(d + "/s.sub", "{0}{25}Hello\n{25}{50}World\n{50}{75}Again\n");
    const auto info = probe("ac3.mkv");
    for (const QString extension : {"ass", "ssa", "smi", "sub"}) {
        SCOPED_TRACE(extension.toStdString());
        auto copy = std::make_shared<MKVFileInfo>(*info);
        const QString name = "with " + extension + ".mp4";
        ConversionJob *job = convert(copy, name, d + "/s." + extension);
        EXPECT_EQ(codecs(streams(output.filePath(name))), (QStringList{"h264", "ac3", "mov_text"}));
        job->remove();
    }
}

TEST_F(RealConversionTest, MovieWithoutAudioConverts)
{
    auto info = probe("silent.mkv");
    ASSERT_TRUE(audioTrackDescriptions(info->audioTracks).isEmpty());
    ConversionJob *job = convert(info, "silent.mp4");
    EXPECT_EQ(codecs(streams(output.filePath("silent.mp4"))), QStringList{"h264"});
    expectVideoCopied("silent.mkv", "silent.mp4");
    job->remove();
}

TEST_F(RealConversionTest, ProgressClimbsToOneHundred)
{
    auto info = probe("long.mkv");
    ASSERT_EQ(info->runtimeSeconds, 900);
    // The real ffmpeg reads the movie from a pipe that is fed piece by piece, so the remux
    // cannot end between two progress readings however fast the machine is.
    const QString pipe = output.filePath("paced.mkv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    info->fileURL = QUrl::fromLocalFile(pipe);
    info->fileName = QStringLiteral("paced.mkv");
    ConversionJob job(&host, test::requestFor(info, output.filePath("long.mp4")));
    host.track(&job);
    QList<float> seen;
    QList<QString> lines;
    QObject::connect(&job, &ConversionJob::progressChanged, [&] {
        seen.append(job.progress());
        lines.append(job.stateInfoString());
    });
    job.start();
    test::PacedFeeder feeder(movies->filePath("long.mkv"), pipe, 8);
    ASSERT_TRUE(QTest::qWaitFor([&] { return job.state() != Converting; }, 180000));
    feeder.join();
    ASSERT_EQ(job.state(), Finished) << job.jobOutput().toStdString();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last(), 100.0f);
    EXPECT_GT(seen.first(), 0.0f);
    EXPECT_GE(std::count_if(seen.cbegin(), seen.cend(), [](float p) { return p > 0.0f && p < 100.0f; }), 2);
    EXPECT_TRUE(std::is_sorted(seen.cbegin(), seen.cend()));
    EXPECT_TRUE(lines.first().startsWith("Status: Converting   Audio:  unk (pcm_s16le)   ETA: "))
        << lines.first().toStdString();
    expectVideoCopied("long.mkv", "long.mp4");
    job.remove();
}

TEST_F(RealConversionTest, LatinOneTitleConvertsWithItsAudio)
{
    auto info = probe("latin1.mkv");
    ASSERT_EQ(audioTrackDescriptions(info->audioTracks), QStringList{"#1: fre (ac3)"});
    ConversionJob *job = convert(info, "latin1.mp4");
    const QJsonArray list = streams(output.filePath("latin1.mp4"));
    EXPECT_EQ(codecs(list), (QStringList{"h264", "ac3"}));
    expectVideoCopied("latin1.mkv", "latin1.mp4");
    job->remove();
}

TEST_F(RealConversionTest, SevenOneFlacHonoursTheSurroundSettings)
{
    settings::setDefaultInt(settings::kAC3SurroundBitrateKey, 2);
    settings::setDefaultInt(settings::kAC3StereoBitrateKey, 3);
    auto info = probe("flac71.mkv");
    ASSERT_EQ(audioTrackDescriptions(info->audioTracks), QStringList{"#1: ger (flac) [7.1]"});

    settings::setDefaultInt(settings::kDTSDownmixKey, 0);
    ConversionJob *surround = convert(info, "flac surround.mp4");
    QJsonArray list = streams(output.filePath("flac surround.mp4"));
    ASSERT_EQ(codecs(list), (QStringList{"h264", "ac3"}));
    EXPECT_EQ(list.at(1).toObject().value("channels").toInt(), 6);
    EXPECT_EQ(list.at(1).toObject().value("bit_rate").toString(), "512000");
    surround->remove();

    settings::setDefaultInt(settings::kDTSDownmixKey, 1);
    ConversionJob *stereo = convert(info, "flac stereo.mp4");
    list = streams(output.filePath("flac stereo.mp4"));
    ASSERT_EQ(codecs(list), (QStringList{"h264", "ac3"}));
    EXPECT_EQ(list.at(1).toObject().value("channels").toInt(), 2);
    EXPECT_EQ(list.at(1).toObject().value("bit_rate").toString(), "256000");
    expectVideoCopied("flac71.mkv", "flac stereo.mp4");
    stereo->remove();
}
