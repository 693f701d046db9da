// SPDX-License-Identifier: GPL-3.0-or-later
// The job's paths that launch no child: refusals before launch, removal and reveal.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "conversion/progressmonitor.h"
#include "scriptedplatform.h"
#include "support/ossorylib.h"
#include "recordingjobhost.h"
#include "testrequests.h"
#include "testenvironment.h"

using namespace tavrel;

namespace {

class ConversionJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::resetSettingsStore();
        settings::registerAppDefaults();
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("out"))));
        source = dir.filePath(QStringLiteral("My Movie.mkv"));
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1000, 'm'));
        file.close();
        platform.volumes.byPrefix.insert(QStringLiteral("/"), {1000000, std::nullopt});

        host.track(&job);
    }

    ConversionRequest request()
    {
        source = dir.filePath(QStringLiteral("My Movie.mkv"));
        info->fileURL = QUrl::fromLocalFile(source);
        info->fileName = QStringLiteral("My Movie.mkv");
        info->audioTracks = test::audioTracksFrom({QStringLiteral("#1: eng (dts) [5.1]")});
        info->videoTrackID = 0;
        info->runtimeSeconds = 100;
        info->fileSize = 1000;
        ConversionRequest request = test::requestFor(info, output());
        request.destinationFolder = dir.filePath(QStringLiteral("out"));
        return request;
    }
    QString output() const { return dir.filePath(QStringLiteral("out/My Movie.mp4")); }

    QTemporaryDir dir;
    QString source;
    OssoryLib lib;
    test::ScriptedPlatform platform;
    std::shared_ptr<MKVFileInfo> info = std::make_shared<MKVFileInfo>();
    test::RecordingJobHost host;
    ConversionJob job{&host, request()};
};

} // namespace

TEST_F(ConversionJobTest, VanishedSourceFailsWithoutLaunching)
{
    QFile::remove(source);
    QSignalSpy statusSpy(&job, &ConversionJob::stateInfoStringChanged);
    job.start();

    EXPECT_EQ(job.state(), Failed);
    EXPECT_TRUE(job.finishedError());
    EXPECT_EQ(job.jobOutput(), QStringLiteral("USER_REMOVED"));
    EXPECT_EQ(job.processId(), 0);
    EXPECT_GE(statusSpy.count(), 1);
    EXPECT_TRUE(job.slowmode()); // decided before the checks
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown[0].title, appName());
    EXPECT_EQ(platform.alerts.shown[0].message,
              QStringLiteral("It seems you've removed the file My Movie.mkv or unmounted it's volume so conversion "
                             "can't proceed."));
    EXPECT_EQ(platform.sleep.acquired, 1);
    EXPECT_EQ(platform.sleep.held, 0);
    EXPECT_TRUE(platform.notifier.delivered.isEmpty());
    EXPECT_EQ(host.startNextCalls, 0);
    EXPECT_EQ(host.pauseContinueCalls, 0);

    job.reveal();
    ASSERT_EQ(platform.alerts.shown.size(), 2);
    EXPECT_EQ(platform.alerts.shown[1].message,
              QStringLiteral("Movie conversion failed because you've removed/renamed the source movie file or "
                             "unmounted it's volume."));
    EXPECT_TRUE(platform.workspace.revealed.isEmpty());
}

TEST_F(ConversionJobTest, FreeSpaceRefusalKeepsTheJobQueued)
{
    // The documents folder's progress-file name is taken already.
    const QString docs = lib.docDir();
    QFile taken(docs + QStringLiteral("/My Movie.mkv.log"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    platform.volumes.byPrefix.insert(docs, {999, std::nullopt});
    platform.volumes.byPrefix.insert(dir.path(), {999, std::nullopt});

    job.start();
    EXPECT_EQ(job.state(), Queued);
    EXPECT_EQ(job.processId(), 0);
    EXPECT_EQ(job.progressFile(), docs + QStringLiteral("/My Movie.mkv-0.log"));
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown[0].message,
              QStringLiteral("There is not enough free space on your boot disk for conversion."));
    EXPECT_EQ(platform.sleep.held, 0);
    EXPECT_TRUE(platform.notifier.delivered.isEmpty());

    // Another volume with room: the next attempt gets past the check (and launches).
    platform.volumes.byPrefix.insert(dir.path(), {1000, std::nullopt});
    QFile::remove(taken.fileName());
    QFile::remove(source); // stop it right after the check, before any launch
    job.start();
    EXPECT_EQ(job.state(), Failed);
    EXPECT_EQ(platform.alerts.shown.size(), 2);
    QFile::remove(job.progressFile());
}

TEST_F(ConversionJobTest, InABatchARefusalEndsTheJobFailedWithItsText)
{
    host.refusalEnds = true;
    platform.volumes.byPrefix.insert(dir.path(), {999, std::nullopt});
    job.start();
    EXPECT_EQ(job.state(), Failed);
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(job.outputProblem(), platform.alerts.shown.first().message);
    EXPECT_EQ(job.processId(), 0);
    ASSERT_EQ(platform.notifier.delivered.size(), 1); // the queue goes on past it
}

TEST(ProgressFileName, FitsTheFileNameLimit)
{
    EXPECT_EQ(progressFileName(QStringLiteral("Movie.mkv")), QStringLiteral("Movie.mkv.log"));
    // 255 bytes of name: cut (never inside a character), marked, and room left for "-N".
    const QStringList names{QString(251, u'x') + QStringLiteral(".mkv"),
                            QString(130, QChar(0x00E9)) + QStringLiteral(".mkv"),
                            QStringLiteral("\U0001F3AC").repeated(70) + QStringLiteral(".mkv")};
    for (const QString &name : names) {
        const QString shortened = progressFileName(name);
        EXPECT_LE(shortened.toUtf8().size() + 2, 255) << shortened.toStdString();
        EXPECT_TRUE(shortened.endsWith(QStringLiteral("\u2026.log")));
        EXPECT_TRUE(name.startsWith(shortened.chopped(5)));
        EXPECT_FALSE(shortened.toUtf8().contains("\xef\xbf\xbd")); // no broken character
    }
}

TEST_F(ConversionJobTest, RemovingAQueuedJobTouchesNoFileItDidNotWrite)
{
    // Something else already lies at the destination path; a job that never ran does not own it.
    QFile other(output());
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    platform.bookmarks.startAccess(dir.filePath(QStringLiteral("out")));

    job.remove();
    EXPECT_TRUE(QFile::exists(output()));
    EXPECT_EQ(host.removed, QList<ConversionJob *>{&job});
    EXPECT_EQ(host.startNextCalls, 1);
    EXPECT_EQ(platform.bookmarks.openAccess.value(dir.filePath(QStringLiteral("out"))), 0);

    // A second removal (quit after a clean) changes nothing.
    job.remove();
    EXPECT_EQ(host.removed.size(), 1);
    EXPECT_EQ(platform.bookmarks.stops, 1);
}

TEST_F(ConversionJobTest, RevealShowsTheOutputOrWithShiftTheSource)
{
    job.reveal();
    platform.workspace.shift = true;
    job.reveal();
    ASSERT_EQ(platform.workspace.revealed.size(), 2);
    EXPECT_EQ(platform.workspace.revealed[0], QStringList{output()});
    EXPECT_EQ(platform.workspace.revealed[1], QStringList{source});
    EXPECT_TRUE(platform.alerts.shown.isEmpty());
}

TEST_F(ConversionJobTest, ControlsIgnoreJobsInTheWrongState)
{
    job.pause(); // a Queued job has no child to stop
    EXPECT_EQ(job.state(), Queued);
    job.setState(Finished);
    job.continueJob();
    EXPECT_EQ(job.state(), Finished);
    EXPECT_EQ(host.pauseContinueCalls, 0);
    EXPECT_EQ(platform.sleep.acquired, 0);
}

// The destination volume, read through the volume interface, decides between one file, parts
// and the refusal; each row's source is gone, so the job stops right after deciding.
TEST_F(ConversionJobTest, AFatDestinationGetsPartsOnlyForALargeMovie)
{
    constexpr quint64 kFat = 4294967295;
    constexpr quint64 kLarge = 5ull << 30;
    const struct
    {
        const char *name;
        std::optional<quint64> largestFile;
        qint64 splitSetting;
        quint64 movieSize;
        std::optional<quint64> partSize;
        bool refused;
    } rows[] = {
        {"FAT and large", kFat, 1, kLarge, 4294967296ull - 1048576, false},
        {"FAT and small", kFat, 1, 1ull << 30, std::nullopt, false},
        {"ext4 and large", std::nullopt, 1, kLarge, std::nullopt, false},
        {"setting off", kFat, 0, kLarge, std::nullopt, true},
    };
    QFile::remove(source);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        settings::setDefaultInt(settings::kSplitLargeOutputsKey, row.splitSetting);
        platform.volumes.byPrefix.insert(dir.path(), {quint64(1) << 40, row.largestFile});
        platform.volumes.byPrefix.insert(lib.docDir(), {quint64(1) << 41, std::nullopt});
        platform.alerts.shown.clear();
        auto movie = std::make_shared<MKVFileInfo>(*info);
        movie->fileSize = row.movieSize;
        ConversionJob large(&host, test::requestFor(movie, output()));
        large.start();
        EXPECT_EQ(large.request().output.partSize, row.partSize);
        EXPECT_EQ(large.state(), row.refused ? Queued : Failed); // refused, or stopped at the missing source
        EXPECT_EQ(!platform.alerts.shown.isEmpty()
                      && platform.alerts.shown.first().message
                          == QStringLiteral("Your target disk doesn't support large files."),
                  row.refused);
    }
}
