// SPDX-License-Identifier: GPL-3.0-or-later
// One movie through the whole controller with the real tools: opened with its subtitle file,
// scanned, added at once to a destination folder, converted, and announced.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include "controllertesting.h"
#include "moviemaker.h"
#include "pacedfeeder.h"

#include <QSignalSpy>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::test {
namespace {

QString runTool(const QStringList &argv, int *status)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(argv.first(), argv.mid(1));
    process.waitForFinished(120000);
    *status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(ControllerWithRealTools, OpenedMovieAndSubtitleConvertToADestinationFolder)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    ASSERT_FALSE(ffmpeg.isEmpty()) << "ffmpeg is not installed";
    ASSERT_FALSE(ffprobe.isEmpty()) << "ffprobe is not installed";
    resetSettingsStore();

    QTemporaryDir dir;
    const QString movie = dir.path() + QStringLiteral("/A.mkv");
    int status = -1;
    runTool({ffmpeg,
             QStringLiteral("-v"),
             QStringLiteral("error"),
             QStringLiteral("-f"),
             QStringLiteral("lavfi"),
             QStringLiteral("-i"),
             QStringLiteral("testsrc=size=160x120:rate=10"),
             QStringLiteral("-f"),
             QStringLiteral("lavfi"),
             QStringLiteral("-i"),
             QStringLiteral("sine=frequency=440:sample_rate=48000"),
             QStringLiteral("-t"),
             QStringLiteral("2"),
             QStringLiteral("-c:v"),
             QStringLiteral("libx264"),
             QStringLiteral("-preset"),
             QStringLiteral("ultrafast"),
             QStringLiteral("-c:a"),
             QStringLiteral("aac"),
             QStringLiteral("-metadata:s:a:0"),
             QStringLiteral("language=eng"),
             movie},
            &status);
    ASSERT_EQ(status, 0) << "could not make the test movie";
    writeFile(dir.path() + QStringLiteral("/A.srt"), "1\n00:00:00,000 --> 00:00:01,500\nHello there\n\n");
    const QString out = dir.path() + QStringLiteral("/out folder");
    QDir().mkpath(out);

    ScriptedPlatform platform;
    platform.volumes.byPrefix.insert(QStringLiteral("/"), platform::VolumeFigures{quint64(1) << 40, std::nullopt});
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{out.toUtf8()});
    settings::setDefaultObject(settings::kDestinationNamesKey, QVariantList{QStringLiteral("out folder")});
    settings::setDefaultInt(settings::kDefaultDestinationKey, 2);
    settings::setDefaultInt(settings::kAutoAddKey, 1);

    AppDelegate app;
    app.applicationDidFinishLaunching();
    app.application_openFiles({movie, dir.path() + QStringLiteral("/A.srt")});

    ASSERT_TRUE(waitUntil([&] { return app.taskArray().size() == 1; }, 60000)) << "the movie was not added";
    ConversionJob *job = app.taskArray().first();
    EXPECT_TRUE(app.informationString().contains(QStringLiteral("+1)"))) << app.informationString().toStdString();
    ASSERT_TRUE(waitUntil([&] { return job->state() == Finished || job->state() == Failed; }, 120000));
    ASSERT_EQ(job->state(), Finished) << job->jobOutput().toStdString();
    EXPECT_TRUE(platform.alerts.shown.isEmpty());

    const QString output = out + QStringLiteral("/A.mp4");
    EXPECT_EQ(QUrl::fromLocalFile(job->outputPath()), QUrl::fromLocalFile(output));
    const QString probe =
        runTool({ffprobe, QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                 QStringLiteral("-of"), QStringLiteral("json"), output},
                &status);
    ASSERT_EQ(status, 0);
    QStringList codecs;
    for (const QJsonValue &stream :
         QJsonDocument::fromJson(probe.toUtf8()).object().value(QStringLiteral("streams")).toArray())
        codecs.append(stream.toObject().value(QStringLiteral("codec_name")).toString());
    EXPECT_EQ(codecs, (QStringList{QStringLiteral("h264"), QStringLiteral("aac"), QStringLiteral("mov_text")}));

    ASSERT_EQ(platform.notifier.delivered.size(), 1);
    EXPECT_EQ(platform.notifier.delivered.first().title, QStringLiteral("Tavrel Conversion Finished"));
    EXPECT_EQ(platform.notifier.delivered.first().userInfo.value(QStringLiteral("path")).toString(), output);

    // Clicking it reveals the output.
    platform.notifier.click(platform.notifier.delivered.first().userInfo);
    ASSERT_EQ(platform.workspace.revealed.size(), 1);
    EXPECT_EQ(platform.workspace.revealed.first(), QStringList{output});

    // Cleaning takes the job away, keeps the file and ends the folder access.
    app.cleanClicked();
    EXPECT_TRUE(app.taskArray().isEmpty());
    EXPECT_TRUE(QFile::exists(output));
    EXPECT_EQ(platform.bookmarks.openAccess.value(out), 0);
}

TEST(ControllerWithRealTools, TheQueueGoesOnWhenTheSecondSourceVanishes)
{
    resetSettingsStore();
    QTemporaryDir dir;
    const QString out = dir.path() + QStringLiteral("/out");
    QDir().mkpath(out);
    for (const QString &name : {QStringLiteral("first-data"), QStringLiteral("second"), QStringLiteral("third")})
        ASSERT_TRUE(
            makeMovie(testAudio() + h264Video(QStringLiteral("160x120"), 25) + QStringList{"-t", "1", "-c:a", "ac3"},
                      dir.path() + u'/' + name + QStringLiteral(".mkv")));
    // The first movie reaches ffmpeg through a pipe, so it converts until the test feeds it. The
    // intake refuses pipes: it is given a regular file, which the scanner below swaps for the pipe.
    const QString first = dir.path() + QStringLiteral("/first.mkv");
    writeFile(first, "placeholder");
    const QString pipe = dir.path() + QStringLiteral("/first-pipe.mkv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

    ScriptedPlatform platform;
    platform.volumes.byPrefix.insert(QStringLiteral("/"), platform::VolumeFigures{quint64(1) << 40, std::nullopt});
    settings::setDefaultObject(settings::kDestinationBookmarksKey, QVariantList{out.toUtf8()});
    settings::setDefaultObject(settings::kDestinationNamesKey, QVariantList{QStringLiteral("out")});
    settings::setDefaultInt(settings::kDefaultDestinationKey, 2);
    settings::setDefaultInt(settings::kAutoAddKey, 1);
    AppDelegate app;
    app.setScanner([&dir, &pipe](const QUrl &url) {
        if (url.fileName() != QStringLiteral("first.mkv"))
            return MKVFileInfo::initWithURL(url);
        auto info = MKVFileInfo::initWithURL(QUrl::fromLocalFile(dir.path() + QStringLiteral("/first-data.mkv")));
        info->fileURL = QUrl::fromLocalFile(pipe);
        info->fileName = url.fileName();
        return info;
    });
    app.applicationDidFinishLaunching();
    const QString second = dir.path() + QStringLiteral("/second.mkv");
    app.application_openFiles({first, second, dir.path() + QStringLiteral("/third.mkv")});
    ASSERT_TRUE(waitUntil([&] { return app.taskArray().size() == 3 && app.filePanelHeight() == 0; }, 60000));
    const MutableConversionJobArray jobs = app.taskArray();
    ASSERT_EQ(jobs.first()->state(), Converting);

    ASSERT_TRUE(QFile::remove(second));
    PacedFeeder feeder(dir.path() + QStringLiteral("/first-data.mkv"), pipe, 1);
    ASSERT_TRUE(waitUntil([&] { return jobs.at(2)->state() == Finished || jobs.at(2)->state() == Failed; }, 120000));
    EXPECT_EQ(jobs.at(0)->state(), Finished) << jobs.at(0)->jobOutput().toStdString();
    EXPECT_EQ(jobs.at(1)->state(), Failed);
    EXPECT_EQ(jobs.at(2)->state(), Finished) << jobs.at(2)->jobOutput().toStdString();
    EXPECT_GT(QFileInfo(out + QStringLiteral("/third.mp4")).size(), 0);
    EXPECT_FALSE(QFile::exists(out + QStringLiteral("/second.mp4")));
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_TRUE(platform.alerts.shown.first().message.contains(QStringLiteral("second.mkv")));
    app.applicationWillTerminate();
}

TEST(ControllerWithRealTools, AMovieNamedInBytesThatAreNotUtf8IsNamedInOneAlertAndTheOthersGoOn)
{
    resetSettingsStore();
    QTemporaryDir dir;
    const QString good = dir.path() + QStringLiteral("/Good.mkv");
    ASSERT_TRUE(makeMovie(
        testAudio() + h264Video(QStringLiteral("64x48"), 10) + QStringList{"-t", "0.4", "-c:a", "ac3"}, good));
    // The file exists under its raw bytes; the program receives its name as the desktop gives it.
    const QByteArray raw = QFile::encodeName(dir.path()) + "/bad\xffname.mkv";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const QString bad = QFile::decodeName(raw);

    ScriptedPlatform platform;
    AppDelegate app;
    QSignalSpy scanned(&app, &AppDelegate::scanFinished);
    app.applicationDidFinishLaunching();
    app.application_openFiles({bad, good});
    ASSERT_TRUE(waitUntil([&] { return scanned.size() == 1; }, 60000));
    EXPECT_EQ(app.fileName(), QStringLiteral("Good.mkv"));
    EXPECT_FALSE(audioTrackDescriptions(app.fileInfo()->audioTracks).isEmpty());
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown.first().message,
              QStringLiteral("Tavrel cannot open “bad\uFFFDname.mkv”: the name holds characters that are not UTF-8 "
                             "text (shown as \uFFFD). Please rename the file and add it again."));
    EXPECT_TRUE(app.importFiles().isEmpty());
    app.cancelAdd();
    EXPECT_EQ(app.filePanelHeight(), 0);
}

} // namespace
} // namespace tavrel::test
