// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "../unit/qtprinters.h"

#include "inspection/compatibility.h"
#include "inspection/mkvfileinfo.h"
#include "moviemaker.h"
#include "scriptedplatform.h"
#include "support/ossorylib.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

// One movie for the whole suite: H.264, eng AC3 5.1(side), ger AAC, DTS 5.1(side) without a
// language, an eng SubRip track; two seconds long.
class ScanTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        ASSERT_TRUE(s_dir->isValid());
        const QString srt = s_dir->filePath(QStringLiteral("sub.srt"));
        QFile file(srt);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("1\n00:00:00,000 --> 00:00:01,000\nHello\n");
        file.close();
        s_movie = s_dir->filePath(QStringLiteral("movie.mkv"));
        QStringList args = test::testVideo(QStringLiteral("640x360")) + test::testAudio()
            + QStringList{"-i",
                          srt,
                          "-t",
                          "2.5",
                          "-map",
                          "0:v",
                          "-map",
                          "1:a",
                          "-map",
                          "1:a",
                          "-map",
                          "1:a",
                          "-map",
                          "2:s",
                          "-c:v",
                          "libx264",
                          "-preset",
                          "ultrafast",
                          "-pix_fmt",
                          "yuv420p",
                          "-c:a:0",
                          "ac3",
                          "-ac:a:0",
                          "6",
                          "-channel_layout:a:0",
                          "5.1(side)",
                          "-metadata:s:a:0",
                          "language=eng",
                          "-c:a:1",
                          "aac",
                          "-metadata:s:a:1",
                          "language=ger",
                          "-strict",
                          "-2",
                          "-c:a:2",
                          "dca",
                          "-ac:a:2",
                          "6",
                          "-channel_layout:a:2",
                          "5.1(side)",
                          "-c:s",
                          "srt",
                          "-metadata:s:s:0",
                          "language=eng"};
        ASSERT_TRUE(test::makeMovie(args, s_movie));
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    static void expectFullRecord(const MKVFileInfo &info, const QString &path)
    {
        EXPECT_TRUE(info.toolFailure.isEmpty()) << info.toolFailure.toStdString();
        EXPECT_EQ(audioTrackDescriptions(info.audioTracks),
                  (QStringList{"#1: eng (ac3) [5.1]", "#2: ger (aac)", "#3: unk (dts) [5.1]"}));
        EXPECT_EQ(info.subtitleTrackIDs, QList<int>{4});
        EXPECT_EQ(info.videoTrackID, 0);
        EXPECT_EQ(info.runtimeSeconds, 2);
        EXPECT_EQ(info.fileSize, quint64(QFileInfo(path).size()));
        EXPECT_EQ(info.fileName, QFileInfo(path).fileName());
        EXPECT_EQ(info.fileURL, QUrl::fromLocalFile(path));
        EXPECT_TRUE(info.informationString.startsWith(QStringLiteral("Duration: 00:00:02  Bitrate: ")))
            << info.informationString.toStdString();
        EXPECT_TRUE(info.informationString.endsWith(QStringLiteral(" kb/s  Resolution: 640x360  Audiotracks: 3 (1)")))
            << info.informationString.toStdString();
    }

    test::ScriptedPlatform platform;
    static inline QTemporaryDir *s_dir = nullptr;
    static inline QString s_movie;
};

TEST_F(ScanTest, ReadsStreamsFromTheRealTool)
{
    const auto info = MKVFileInfo::initWithURL(QUrl::fromLocalFile(s_movie));
    ASSERT_TRUE(info);
    expectFullRecord(*info, s_movie);
    EXPECT_TRUE(platform.alerts.shown.isEmpty());
}

TEST_F(ScanTest, AwkwardFileNamesWork)
{
    const QStringList names = {
        QStringLiteral("-x.mkv"),
        QStringLiteral("with  two spaces.mkv"),
        QStringLiteral("it's \"quoted\" 100% %@ $HOME.mkv"),
        QStringLiteral("Ünïcødé – 名前.mkv"),
        QStringLiteral("-i"),
    };
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString path = s_dir->filePath(name);
        ASSERT_TRUE(QFile::copy(s_movie, path));
        const auto info = MKVFileInfo::initWithURL(QUrl::fromLocalFile(path));
        expectFullRecord(*info, path);
        QFile::remove(path);
    }
}

TEST_F(ScanTest, NotAMovieGivesAnEmptyRecord)
{
    const QString path = s_dir->filePath(QStringLiteral("text.mkv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a movie\n");
    file.close();
    const auto info = MKVFileInfo::initWithURL(QUrl::fromLocalFile(path));
    EXPECT_TRUE(info->toolFailure.isEmpty());
    EXPECT_EQ(info->informationString,
              QStringLiteral("Duration: (null)  Bitrate: (null)  Resolution: (null)  Audiotracks: 0 (0)"));
    EXPECT_EQ(info->fileSize, 12u);
    EXPECT_FALSE(info->videoTrackID);
}

TEST_F(ScanTest, VanishedFileHasNoSize)
{
    const QString path = s_dir->filePath(QStringLiteral("gone.mkv"));
    const auto info = MKVFileInfo::initWithURL(QUrl::fromLocalFile(path));
    EXPECT_TRUE(info->toolFailure.isEmpty());
    EXPECT_FALSE(info->fileSize);
    EXPECT_TRUE(audioTrackDescriptions(info->audioTracks).isEmpty());
    EXPECT_EQ(info->fileName, QStringLiteral("gone.mkv"));
}

TEST_F(ScanTest, MissingToolIsReported)
{
    QTemporaryDir resources, emptyBin;
    ASSERT_TRUE(resources.isValid() && emptyBin.isValid());
    QFile fake(resources.filePath(QStringLiteral("ffmpeg")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\necho never\n");
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner);

    OssoryLib lib;
    const test::ScopedResourceDir resourceDir(resources.path());
    const test::ScopedEnv path("PATH", emptyBin.path().toUtf8());

    const auto info = MKVFileInfo::initWithURL(QUrl::fromLocalFile(s_movie));

    EXPECT_TRUE(info->toolFailure.contains(QStringLiteral("'ffmpeg'"))) << info->toolFailure.toStdString();
    EXPECT_EQ(info->informationString,
              QStringLiteral("Duration: (null)  Bitrate: (null)  Resolution: (null)  Audiotracks: 0 (0)"));
    EXPECT_EQ(info->fileSize, quint64(QFileInfo(s_movie).size()));
    EXPECT_TRUE(platform.alerts.shown.isEmpty());
}

TEST_F(ScanTest, MissingMediainfoIsReportedAfterAFullProbe)
{
    QTemporaryDir resources, emptyBin;
    ASSERT_TRUE(resources.isValid() && emptyBin.isValid());
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    ASSERT_FALSE(ffmpeg.isEmpty());
    ASSERT_TRUE(QFile::link(ffmpeg, resources.filePath(QStringLiteral("ffmpeg"))));

    OssoryLib lib;
    const test::ScopedResourceDir resourceDir(resources.path());
    const test::ScopedEnv path("PATH", emptyBin.path().toUtf8());

    const auto info = MKVFileInfo::initWithURL(QUrl::fromLocalFile(s_movie));

    EXPECT_EQ(audioTrackDescriptions(info->audioTracks).size(), 3);
    EXPECT_TRUE(info->toolFailure.contains(QStringLiteral("'mediainfo'"))) << info->toolFailure.toStdString();
}

} // namespace

// mediainfo reads the reference frames and the level from the stream headers, so parsing only
// those (--ParseSpeed=0) must give the counts a full parse gives, in every container.
TEST(MediainfoHeaders, HeaderOnlyParseGivesTheSameCountsAsAFullOne)
{
    QTemporaryDir dir;
    const QString mediainfo = QStandardPaths::findExecutable(QStringLiteral("mediainfo"));
    ASSERT_FALSE(mediainfo.isEmpty()) << "mediainfo is not installed";
    const auto read = [&](const QStringList &arguments) {
        QProcess process;
        process.start(mediainfo, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    int compared = 0;
    for (const char *container : {"mkv", "mp4", "mov", "ts"}) {
        for (int refs : {1, 3, 5, 16}) {
            const QString movie = dir.filePath(QStringLiteral("ref%1.%2").arg(refs).arg(QLatin1String(container)));
            ASSERT_TRUE(
                test::makeMovie(test::h264Video(QStringLiteral("320x240"), 30, QStringLiteral("ref=%1").arg(refs))
                                    + QStringList{"-level", "5.1"},
                                movie));
            SCOPED_TRACE(movie.toStdString());
            const QStringList quick = mediainfoArguments(movie);
            ASSERT_EQ(quick.at(1), QStringLiteral("--ParseSpeed=0"));
            const QString headers = read(quick.mid(1));
            const QString full = read({QStringLiteral("--Output=XML"), movie});
            EXPECT_EQ(referenceFrameCount(headers), refs);
            EXPECT_EQ(referenceFrameCount(headers), referenceFrameCount(full));
            EXPECT_EQ(videoHeaderFacts(headers).level, 5.1);
            EXPECT_EQ(videoHeaderFacts(headers).level, videoHeaderFacts(full).level);
            EXPECT_EQ(videoHeaderFacts(headers).frameRate, videoHeaderFacts(full).frameRate);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 16);
    // The recorded outputs, the old element name among them, read as before.
    for (const char *name : {"mediainfo-old-refframes.xml", "mediainfo-ref5.xml"}) {
        QFile file(QStringLiteral(TAVREL_TEST_FIXTURES "/") + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(referenceFrameCount(QString::fromUtf8(file.readAll())).has_value()) << name;
    }
}
