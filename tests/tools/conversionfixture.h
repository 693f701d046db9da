// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the tests that convert with the real ffmpeg share: running a tool, a one-job host, and a
// fixture that probes a movie, converts it and reads the output's streams with ffprobe.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include "testrequests.h"
#include "app/jobend.h"
#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "recordingjobhost.h"
#include "scriptedplatform.h"
#include "support/ossorylib.h"
#include "testenvironment.h"

namespace tavrel::test {

// One job at a time, with the queue's after-job rules.
using SingleJobHost = RecordingJobHost;

inline QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(u' ').toStdString() << "\n"
                      << process.readAll().toStdString();
        return QString();
    }
    return QString::fromUtf8(process.readAll());
}

inline void makeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text);
}

// Converts movies from a folder the test suite fills; each test gets its own output folder and
// a fresh settings store.
class ConversionFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetSettingsStore();
        settings::registerAppDefaults();
        platform.volumes.byPrefix.insert(QStringLiteral("/"), {quint64(1) << 40, std::nullopt});
    }

    // The suite's movies, made once by each suite's SetUpTestSuite into `movies`.
    static void TearDownTestSuite()
    {
        delete movies;
        movies = nullptr;
    }
    static QString moviePath(const QString &name) { return movies->filePath(name); }
    static inline QTemporaryDir *movies = nullptr;

    // Runs the job to its end, whatever that is; the job stays listed.
    ConversionJob *runJob(const std::shared_ptr<MKVFileInfo> &info, const QString &outputName,
                          const QString &subtitleFile = QString())
    {
        ConversionRequest request = test::requestFor(info, output.filePath(outputName));
        request.subtitleFile = subtitleFile;
        auto *job = new ConversionJob(&host, request, &owner);
        host.track(job);
        job->start();
        EXPECT_TRUE(QTest::qWaitFor([&] { return job->state() == Finished || job->state() == Failed; }, 120000));
        return job;
    }

    // Scans as the controller does with the ReencodeVideo setting as it stands.
    std::shared_ptr<MKVFileInfo> probe(const QString &name)
    {
        const QUrl url = QUrl::fromLocalFile(moviePath(name));
        const bool reencode = settings::defaultInt(settings::kReencodeVideoKey) != 0;
        // The scan blocks, so it runs off the main thread as the controller runs it.
        QFuture<std::shared_ptr<MKVFileInfo>> scan =
            QtConcurrent::run([url, reencode] { return MKVFileInfo::scan(url, reencode); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return scan.isFinished(); }, 60000));
        return scan.result();
    }

    // Converts into the output folder and waits for the end; the job is removed afterwards.
    ConversionJob *convert(const std::shared_ptr<MKVFileInfo> &info, const QString &outputName,
                           const QString &subtitleFile = QString())
    {
        ConversionJob *job = runJob(info, outputName, subtitleFile);
        EXPECT_EQ(job->state(), Finished) << job->jobOutput().toStdString() << "\n"
                                          << job->arguments().join(u' ').toStdString();
        return job;
    }

    static QJsonArray streams(const QString &path)
    {
        const QString json = run("ffprobe", {"-v", "error", "-show_streams", "-of", "json", path});
        return QJsonDocument::fromJson(json.toUtf8()).object().value(QStringLiteral("streams")).toArray();
    }
    static QStringList codecs(const QJsonArray &list)
    {
        QStringList names;
        for (const QJsonValue &stream : list)
            names.append(stream.toObject().value(QStringLiteral("codec_name")).toString());
        return names;
    }
    static QString videoHash(const QString &path)
    {
        return run("ffmpeg", {"-v", "error", "-i", path, "-map", "0:v", "-c", "copy", "-f", "streamhash", "-"});
    }
    // H.264 the console plays: High (or lower) at level 4.1 at most, 8-bit 4:2:0, within 1920x1080,
    // even, and no more reference frames than the level allows. Gives the video stream's probe.
    static QJsonObject expectPlaysOnConsole(const QString &path)
    {
        const QJsonObject video = streams(path).at(0).toObject();
        EXPECT_EQ(video.value("codec_name").toString(), "h264");
        EXPECT_TRUE(QStringList({"High", "Main", "Baseline", "Constrained Baseline"})
                        .contains(video.value("profile").toString()));
        EXPECT_EQ(video.value("pix_fmt").toString(), "yuv420p");
        EXPECT_LE(video.value("level").toInt(), 41);
        const int width = video.value("width").toInt();
        const int height = video.value("height").toInt();
        EXPECT_LE(width, 1920);
        EXPECT_LE(height, 1080);
        EXPECT_EQ(width % 2 + height % 2, 0);
        const QJsonObject media = QJsonDocument::fromJson(run("mediainfo", {"--Output=JSON", path}).toUtf8())
                                      .object()
                                      .value("media")
                                      .toObject();
        for (const QJsonValue &track : media.value("track").toArray()) {
            const QJsonObject headers = track.toObject();
            if (headers.value("@type").toString() != "Video")
                continue;
            EXPECT_EQ(headers.value("BitDepth").toString(), "8");
            EXPECT_EQ(headers.value("ChromaSubsampling").toString(), "4:2:0");
            const int blocks = ((width + 15) / 16) * ((height + 15) / 16);
            EXPECT_LE(headers.value("Format_Settings_RefFrames").toString().toInt(), std::min(16, 32768 / blocks));
        }
        return video;
    }
    void expectVideoCopied(const QString &sourceName, const QString &outputName)
    {
        const QString source = videoHash(moviePath(sourceName));
        EXPECT_FALSE(source.isEmpty());
        EXPECT_EQ(source, videoHash(output.filePath(outputName)));
    }

    QTemporaryDir output;
    OssoryLib lib;
    ScriptedPlatform platform;
    SingleJobHost host;
    QObject owner;
};

} // namespace tavrel::test
