// The real tavrel program killed while a movie converts, with SIGKILL (a crash, a power cut) or
// SIGTERM (a logout): the queue's journal on disk lists the converting job, for the next launch
// to offer; after SIGKILL with the partial output that launch deletes.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

#include "app/jobjournal.h"
#include "moviemaker.h"
#include "testenvironment.h"

namespace tavrel::test {
namespace {

class JobJournalKill : public ::testing::TestWithParam<int>
{
};

TEST_P(JobJournalKill, TheJournalListsTheConvertingJobAfterTheProcessIsKilled)
{
    const int signal = GetParam();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString tavrel = QFileInfo(QStringLiteral(TAVREL_BUILD_RESOURCES)).absolutePath() + QStringLiteral("/tavrel");
    ASSERT_TRUE(QFileInfo(tavrel).isExecutable()) << "build the tavrel target first";
    const QString realFfmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    ASSERT_FALSE(realFfmpeg.isEmpty()) << "ffmpeg is not installed";

    const QString out = home.path() + QStringLiteral("/Converted Movies");
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_TRUE(QDir().mkpath(home.path() + QStringLiteral("/.config/Ossory")));
    {
        QFile conf(home.path() + QStringLiteral("/.config/Ossory/Tavrel.conf"));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("[General]\nDestinationBookmarks=\"{\\\"path\\\": \\\"%1\\\"}\"\n"
                                  "DestinationNames=Converted Movies\nDefaultDestination=2\nAutoAdd=1\n")
                       .arg(out)
                       .toUtf8());
    }
    // The real ffmpeg reads the movie; the conversion (the call with -progress) is the slow fake.
    const QString tools = home.path() + QStringLiteral("/tools");
    ASSERT_TRUE(QDir().mkpath(tools));
    {
        QFile fake(tools + QStringLiteral("/ffmpeg"));
        ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
        fake.write(QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do [ \"$a\" = -progress ] && exec '%1' \"$@\"; done\n"
                                  "exec '%2' \"$@\"\n")
                       .arg(QStringLiteral(TAVREL_TEST_FAKES "/ffmpeg-slow.sh"), realFfmpeg)
                       .toUtf8());
        fake.close();
        fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString movie = home.path() + QStringLiteral("/Holiday.mkv");
    ASSERT_TRUE(makeMovie(
        testAudio() + h264Video(QStringLiteral("64x48"), 10) + QStringList{"-t", "0.4", "-c:a", "ac3"}, movie));

    QProcess app;
    QProcessEnvironment env = tavrelEnvironment(home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("PATH"), tools + QStringLiteral(":/usr/bin:/bin"));
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(tavrel, {QStringLiteral("--"), movie});
    ASSERT_TRUE(app.waitForStarted());

    const QString journalPath = home.path() + QStringLiteral("/.local/share/Tavrel/Queue.json");
    auto converting = [&]() -> std::optional<JournalEntry> {
        QFile file(journalPath);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        const std::optional<QList<JournalEntry>> entries = journalEntries(file.readAll());
        if (!entries || entries->size() != 1 || entries->first().state != Converting)
            return std::nullopt;
        return entries->first();
    };
    // The fake writes into its output at once: the partial file has content once ffmpeg runs.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<JournalEntry> job = converting();
            return (job && QFileInfo(job->partialOutput).size() > 0) || app.state() == QProcess::NotRunning;
        },
        60000))
        << app.readAll().toStdString();
    ASSERT_EQ(app.state(), QProcess::Running) << app.readAll().toStdString();

    ::kill(pid_t(app.processId()), signal);
    ASSERT_TRUE(app.waitForFinished(10000));
    EXPECT_EQ(app.exitStatus(), signal == SIGKILL ? QProcess::CrashExit : QProcess::NormalExit)
        << app.readAll().toStdString();

    const std::optional<JournalEntry> job = converting();
    ASSERT_TRUE(job.has_value());
    EXPECT_EQ(job->source, movie);
    EXPECT_EQ(job->destination, out + QStringLiteral("/Holiday.mp4"));
    EXPECT_EQ(job->destinationFolder, out);
    EXPECT_EQ(job->audioTrackIndex, 0u);
    EXPECT_TRUE(isPartialOutputOf(job->partialOutput, job->destination)) << job->partialOutput.toStdString();
    // A job removed at quit deletes its own partial output; a killed one cannot.
    EXPECT_EQ(QFileInfo::exists(job->partialOutput), signal == SIGKILL);
    EXPECT_FALSE(QFileInfo::exists(job->destination)) << "nothing unchecked under the output's name";
}

INSTANTIATE_TEST_SUITE_P(Signals, JobJournalKill, ::testing::Values(SIGKILL, SIGTERM),
                         [](const ::testing::TestParamInfo<int> &signal) {
                             return std::string(signal.param == SIGKILL ? "SIGKILL" : "SIGTERM");
                         });

} // namespace
} // namespace tavrel::test
