// SPDX-License-Identifier: GPL-3.0-or-later
// A job driving fake ffmpeg scripts: failure, crash, success settings, pause, continue, remove.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "scriptedplatform.h"
#include "support/ossorylib.h"
#include "recordingjobhost.h"
#include "testrequests.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

// The process state letter from /proc/<pid>/stat ("R", "S", "T", "Z"); empty when it is gone.
QString processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 ? QString() : QString::fromLatin1(text.mid(close + 2, 1));
}

class JobProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::resetSettingsStore();
        settings::registerAppDefaults();
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("res"))));
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("out"))));
        ASSERT_TRUE(test::useFakeMediainfo(dir.filePath(QStringLiteral("res"))));
        resources.emplace(dir.filePath(QStringLiteral("res")));
        platform.volumes.byPrefix.insert(QStringLiteral("/"), {1000000000, std::nullopt});
    }
    void TearDown() override { qDeleteAll(owned); }

    void useFake(const QString &script)
    {
        const QString target = dir.filePath(QStringLiteral("res/ffmpeg"));
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(QStringLiteral(TAVREL_TEST_FAKES "/") + script, target)) << script.toStdString();
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    ConversionJob *addJob(const QString &name, const QString &audio = QStringLiteral("#1: eng (ac3)"))
    {
        const QString source = dir.filePath(name + QStringLiteral(".mkv"));
        QFile file(source);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("source movie");
        file.close();
        auto info = std::make_shared<MKVFileInfo>();
        info->fileURL = QUrl::fromLocalFile(source);
        info->fileName = name + QStringLiteral(".mkv");
        info->audioTracks = test::audioTracksFrom({audio});
        info->videoTrackID = 0;
        info->runtimeSeconds = 100;
        info->fileSize = 12;
        auto *job = test::jobFor(&host, info, dir.filePath(QStringLiteral("out/") + name + QStringLiteral(".mp4")));
        owned.append(job);
        host.track(job);
        return job;
    }

    static bool waitFor(const std::function<bool()> &done, int ms = 10000) { return QTest::qWaitFor(done, ms); }

    QTemporaryDir dir;
    std::optional<test::ScopedResourceDir> resources;
    OssoryLib lib;
    test::ScriptedPlatform platform;
    test::RecordingJobHost host{true};
    QList<ConversionJob *> owned;
};

} // namespace

TEST_F(JobProcessTest, FullDiskFailsWithAnAlertAndAFailureNotification)
{
    useFake(QStringLiteral("ffmpeg-fulldisk.sh"));
    ConversionJob *job = addJob(QStringLiteral("Full Disk"));
    job->start();
    EXPECT_EQ(job->state(), Converting);
    EXPECT_EQ(platform.sleep.held, 1);
    EXPECT_EQ(host.pauseContinueCalls, 1);
    ASSERT_TRUE(waitFor([&] { return job->state() == Failed; }));

    EXPECT_TRUE(job->finishedError());
    EXPECT_FALSE(job->finishedOK());
    EXPECT_EQ(job->progress(), 100.0f);
    EXPECT_EQ(platform.sleep.held, 0);
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown[0].title, QStringLiteral("Conversion Failed"));
    EXPECT_TRUE(platform.alerts.shown[0].message.startsWith(
        QStringLiteral("Movie conversion failed because there is not enough free space")));
    ASSERT_EQ(platform.notifier.delivered.size(), 1);
    EXPECT_EQ(platform.notifier.delivered[0].title, appName() + QStringLiteral(" Conversion Failed"));
    EXPECT_EQ(platform.notifier.delivered[0].informativeText,
              QStringLiteral("Tavrel has failed to convert the file Full Disk.mkv."));
    EXPECT_TRUE(platform.notifier.delivered[0].actionButtonTitle.isEmpty());
    EXPECT_EQ(host.startNextCalls, 1);
    EXPECT_EQ(job->stateInfoString(),
              QStringLiteral("Status: Failed   Click the arrow at the right to get more information."));

    job->reveal();
    ASSERT_EQ(platform.alerts.shown.size(), 2);
    EXPECT_EQ(platform.alerts.shown[1].message, platform.alerts.shown[0].message);
    EXPECT_TRUE(platform.workspace.revealed.isEmpty());

    // The partial output of a failed job goes with it.
    job->remove();
    EXPECT_FALSE(QFile::exists(job->progressFile()));
}

TEST_F(JobProcessTest, CrashIsAFailureWhateverTheOutput)
{
    useFake(QStringLiteral("ffmpeg-crash.sh"));
    ConversionJob *job = addJob(QStringLiteral("crash"));
    job->start();
    ASSERT_TRUE(waitFor([&] { return job->state() != Converting; }));
    EXPECT_EQ(job->state(), Failed);
    EXPECT_TRUE(platform.alerts.shown.isEmpty());
    ASSERT_EQ(platform.notifier.delivered.size(), 1);
    EXPECT_TRUE(platform.notifier.delivered[0].title.endsWith(QStringLiteral("Conversion Failed")));

    platform.alerts.defaultAnswer = {0}; // the information alert, answered Cancel
    job->reveal();
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown[0].title, QStringLiteral("Information"));
    EXPECT_TRUE(platform.alerts.shown[0].message.contains(QStringLiteral("Command-line: -i ")));
    EXPECT_TRUE(platform.alerts.shown[0].message.contains(QStringLiteral("Input #0")));
}

TEST_F(JobProcessTest, MissingToolEndsFailedWithTheReason)
{
    // Neither the resources folder nor PATH holds an ffmpeg.
    std::optional<test::ScopedEnv> path(std::in_place, "PATH", dir.filePath(QStringLiteral("out")).toUtf8());
    // An AAC track: the fix-up test cannot start either.
    ConversionJob *job = addJob(QStringLiteral("no tool"), QStringLiteral("#1: eng (aac)"));
    // A file the user chose to replace; the job never wrote to it, so removing the job keeps it.
    const QString destination = job->outputPath();
    QFile existing(destination);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("earlier movie");
    existing.close();
    job->start();
    const bool ended = waitFor([&] { return job->state() == Failed; }, 5000);
    path.reset();
    ASSERT_TRUE(ended) << job->stateInfoString().toStdString();

    EXPECT_TRUE(job->jobOutput().startsWith(QStringLiteral("Could not start ffmpeg: ")))
        << job->jobOutput().toStdString();
    EXPECT_EQ(platform.sleep.held, 0);
    EXPECT_EQ(job->progress(), 100.0f);
    ASSERT_EQ(platform.notifier.delivered.size(), 1);
    EXPECT_TRUE(platform.notifier.delivered[0].title.endsWith(QStringLiteral("Conversion Failed")));
    platform.alerts.defaultAnswer = {0};
    job->reveal();
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_TRUE(platform.alerts.shown[0].message.contains(QStringLiteral("Could not start ffmpeg")));

    job->remove();
    EXPECT_TRUE(QFile::exists(destination));
}

TEST_F(JobProcessTest, SuccessAppliesAutoCleanAndDisposesOfTheSource)
{
    useFake(QStringLiteral("ffmpeg-success.sh"));
    settings::setDefaultInt(settings::kAutoCleanKey, 1);
    settings::setDefaultInt(settings::kAutoRemoveKey, 1);
    for (const qint64 removeType : {0, 1}) {
        SCOPED_TRACE(removeType);
        settings::setDefaultInt(settings::kAutoRemoveTypeKey, removeType);
        const QString name = QStringLiteral("Done %1").arg(removeType);
        ConversionJob *job = addJob(name);
        const QString source = job->fileInfo()->fileURL.toLocalFile();
        const QString output = job->outputPath();
        job->start();
        ASSERT_TRUE(waitFor([&] { return job->state() == Finished; }));

        EXPECT_TRUE(job->finishedOK());
        EXPECT_EQ(host.removed.last(), job);
        EXPECT_TRUE(QFile::exists(output)); // a finished output stays
        EXPECT_FALSE(QFile::exists(source));
        const QString trashed = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/Trash/files/") + name + QStringLiteral(".mkv");
        EXPECT_EQ(QFile::exists(trashed), removeType == 0);
        EXPECT_TRUE(job->stateInfoString().startsWith(QStringLiteral("Status: Finished [Conversion took: ")));
        const platform::UserNotification &note = platform.notifier.delivered.last();
        EXPECT_EQ(note.title, appName() + QStringLiteral(" Conversion Finished"));
        EXPECT_EQ(note.informativeText,
                  appName() + QStringLiteral(" has finished converting the file ") + name + QStringLiteral(".mkv."));
        EXPECT_EQ(note.actionButtonTitle, QStringLiteral("Show"));
        EXPECT_EQ(note.userInfo.value(QStringLiteral("path")).toString(), output);
        EXPECT_EQ(platform.sleep.held, 0);
        EXPECT_FALSE(QFile::exists(job->progressFile()));
    }
    EXPECT_EQ(host.terminateCalls, 0);
}

TEST_F(JobProcessTest, QuitAfterConversionWaitsForTheQueue)
{
    useFake(QStringLiteral("ffmpeg-success.sh"));
    settings::setDefaultInt(settings::kQuitAfterConversionKey, 1);
    ConversionJob *first = addJob(QStringLiteral("first"));
    ConversionJob *second = addJob(QStringLiteral("second"));
    first->start();
    ASSERT_TRUE(waitFor([&] { return first->state() == Finished; }));
    // The next job started from the finished one's handling, so nothing asks to quit yet.
    EXPECT_EQ(host.terminateCalls, 0);
    ASSERT_TRUE(waitFor([&] { return second->state() == Finished; }));
    EXPECT_EQ(host.terminateCalls, 1);
    EXPECT_EQ(platform.notifier.delivered.size(), 2);
}

TEST_F(JobProcessTest, PauseStopsTheChildAndContinueResumesIt)
{
    useFake(QStringLiteral("ffmpeg-slow.sh"));
    ConversionJob *job = addJob(QStringLiteral("slow"));
    job->start();
    const qint64 pid = job->processId();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitFor([&] { return job->progress() > 0.0f; }, 5000));
    EXPECT_TRUE(job->stateInfoString().contains(QStringLiteral("Audio:  eng (ac3)   ETA: ")));

    job->pause();
    EXPECT_EQ(job->state(), Paused);
    EXPECT_EQ(platform.sleep.held, 0);
    ASSERT_TRUE(waitFor([&] { return processState(pid) == QStringLiteral("T"); }, 3000))
        << processState(pid).toStdString();
    const float pausedAt = job->progress();
    QTest::qWait(1500);
    EXPECT_EQ(job->progress(), pausedAt); // no timer while paused

    job->continueJob();
    EXPECT_EQ(job->state(), Converting);
    EXPECT_EQ(platform.sleep.held, 1);
    EXPECT_EQ(host.pauseContinueCalls, 2);
    ASSERT_TRUE(waitFor([&] { return processState(pid) != QStringLiteral("T"); }, 3000));
    ASSERT_TRUE(waitFor([&] { return job->progress() > pausedAt; }, 5000));
}

TEST_F(JobProcessTest, RemovingAPausedJobEndsTheChild)
{
    useFake(QStringLiteral("ffmpeg-slow.sh"));
    ConversionJob *job = addJob(QStringLiteral("removed paused"));
    job->start();
    const QString output = job->partialOutputPath(); // what ffmpeg writes
    const qint64 pid = job->processId();
    ASSERT_TRUE(waitFor([&] { return QFile::exists(output) && QFile::exists(job->progressFile()); }, 5000));
    job->pause();
    ASSERT_TRUE(waitFor([&] { return processState(pid) == QStringLiteral("T"); }, 3000));

    job->remove();
    EXPECT_TRUE(waitFor([&] { return processState(pid).isEmpty(); }, 5000)) << processState(pid).toStdString();
    EXPECT_FALSE(QFile::exists(output));
    EXPECT_FALSE(QFile::exists(job->progressFile()));
    EXPECT_EQ(host.removed, QList<ConversionJob *>{job});
    EXPECT_EQ(platform.sleep.held, 0);
    QTest::qWait(300);
    EXPECT_TRUE(platform.notifier.delivered.isEmpty()); // its end is not handled
    EXPECT_EQ(job->state(), Paused);
}

TEST_F(JobProcessTest, RemovingAConvertingJobStartsTheNextOne)
{
    useFake(QStringLiteral("ffmpeg-slow.sh"));
    ConversionJob *first = addJob(QStringLiteral("converting"));
    ConversionJob *second = addJob(QStringLiteral("next"));
    first->start();
    const qint64 pid = first->processId();
    const QString partial = first->partialOutputPath();
    ASSERT_TRUE(waitFor([&] { return QFile::exists(partial); }, 5000));

    first->remove();
    EXPECT_EQ(platform.sleep.held, 1); // the second job's
    EXPECT_EQ(second->state(), Converting);
    EXPECT_TRUE(waitFor([&] { return processState(pid).isEmpty(); }, 5000));
    EXPECT_FALSE(QFile::exists(partial));
    EXPECT_FALSE(QFile::exists(first->outputPath()));

    second->remove();
    EXPECT_EQ(platform.sleep.held, 0);
}

TEST_F(JobProcessTest, JobRemovedWhileItsOutputIsCheckedIsNeverAnnounced)
{
    // Converts at once; its probe of the output (mediainfo) waits for "<output>.go".
    QFile fake(dir.filePath(QStringLiteral("res/ffmpeg")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("#!/bin/sh\n"
               "for a in \"$@\"; do last=\"$a\"; done\n"
               "echo movie > \"$last\"\n");
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile probe(dir.filePath(QStringLiteral("res/mediainfo")));
    ASSERT_TRUE(probe.open(QIODevice::WriteOnly));
    probe.write("#!/bin/sh\n"
                "for a in \"$@\"; do last=\"$a\"; done\n"
                ": > \"$last.probing\"\n"
                "while [ ! -e \"$last.go\" ]; do sleep 0.02; done\n");
    probe.close();
    probe.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ConversionJob *job = addJob(QStringLiteral("checked"));
    job->start();
    const QString output = job->partialOutputPath(); // probed before it takes its name
    ASSERT_TRUE(waitFor([&] { return QFile::exists(output + QStringLiteral(".probing")); }));
    EXPECT_EQ(job->state(), Converting); // not finished before the check
    job->remove();
    EXPECT_FALSE(QFile::exists(output)); // unchecked, so not the job's to keep
    QFile(output + QStringLiteral(".go")).open(QIODevice::WriteOnly);
    // The probe's result comes back and is delivered, then dropped.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(job->state(), Converting);
    EXPECT_TRUE(platform.notifier.delivered.isEmpty());
    EXPECT_EQ(host.startNextCalls, 1); // from remove() alone
}
