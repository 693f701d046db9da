// SPDX-License-Identifier: GPL-3.0-or-later
// The job queue driven through the controller, with a fake ffmpeg child that ends on cue.
#include <QPointer>
#include <QSignalSpy>
#include <unistd.h>
#include <sys/stat.h>
#include <QProcess>

#include "app/jobqueue.h"
#include "controllertesting.h"

namespace tavrel::test {
namespace {

class QueueTest : public ControllerTest
{
protected:
    // The start-up sequence makes the library instance that finds the fake among the resources.
    QueueTest() { app.applicationDidFinishLaunching(); }

    // A job for an existing source, writing next to it; added through the controller.
    ConversionJob *add(const QString &name)
    {
        auto info = makeRecord(tools.movie(name));
        auto *job = test::jobFor(&app.queue(), info, destination(name), &app);
        app.addJob(job);
        return job;
    }
    QString destination(const QString &name) const { return tools.path(name + QStringLiteral(".mp4")); }
    void pauseOrResume() { app.pauseContinueClicked(&button); }

    // A paused child is stopped for real: state T in /proc/<pid>/stat.
    static QChar processState(qint64 pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return u'?';
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        return close < 0 || close + 2 >= text.size() ? u'?' : QChar(text.at(close + 2));
    }

    ScriptedPlatform platform;
    FakeTools tools;
    AppDelegate app;
    QObject button; // the clicked toolbar item
};

TEST_F(QueueTest, ThreeFilesStartOneAfterAnother)
{
    ConversionJob *first = add(QStringLiteral("one.mkv"));
    ConversionJob *second = add(QStringLiteral("two.mkv"));
    ConversionJob *third = add(QStringLiteral("three.mkv"));

    EXPECT_EQ(first->state(), Converting);
    EXPECT_EQ(second->state(), Queued);
    EXPECT_EQ(third->state(), Queued);
    EXPECT_EQ(app.taskArray(), (MutableConversionJobArray{first, second, third}));
    EXPECT_EQ(app.windowTitle(), QStringLiteral("Tavrel  [3 Job(s), 2 Queued]"));
    EXPECT_EQ(app.jobCountWithState(Converting), 1);

    FakeTools::end(first);
    ASSERT_TRUE(waitUntil([&] { return first->state() == Finished; }));
    ASSERT_TRUE(waitUntil([&] { return second->state() == Converting; }));
    EXPECT_EQ(third->state(), Queued);
    EXPECT_EQ(app.windowTitle(), QStringLiteral("Tavrel  [3 Job(s), 1 Queued]"));
    ASSERT_EQ(platform.notifier.delivered.size(), 1);
    EXPECT_EQ(platform.notifier.delivered.first().userInfo.value(QStringLiteral("path")).toString(),
              destination(QStringLiteral("one.mkv")));

    // A failed job moves the queue on just the same.
    FakeTools::end(second, 1);
    ASSERT_TRUE(waitUntil([&] { return third->state() == Converting; }));
    EXPECT_EQ(second->state(), Failed);
}

TEST_F(QueueTest, PausingWithNothingConvertingSwitchesTheLook)
{
    EXPECT_EQ(app.windowTitle(), QStringLiteral("Tavrel "));
    EXPECT_EQ(app.toolbarImageName(), QStringLiteral("toolbar_pause"));
    EXPECT_EQ(app.toolbarLabel(), QStringLiteral("Pause Queue"));
    EXPECT_EQ(app.menuItemTitle(), QStringLiteral("Pause Queue"));

    pauseOrResume();
    EXPECT_TRUE(app.paused());
    EXPECT_EQ(app.toolbarImageName(), QStringLiteral("toolbar_start"));
    EXPECT_EQ(app.toolbarLabel(), QStringLiteral("Resume Queue"));
    EXPECT_EQ(app.menuItemTitle(), QStringLiteral("Resume Queue"));
    EXPECT_EQ(app.addButtonTitle(), QStringLiteral("Add to Queue"));
    EXPECT_EQ(app.windowTitle(), QStringLiteral("Tavrel (Paused)"));

    // A call without a sender while running changes nothing; while paused it resumes.
    pauseOrResume();
    app.pauseContinueClicked(nullptr);
    EXPECT_FALSE(app.paused());
    pauseOrResume();
    app.pauseContinueClicked(nullptr);
    EXPECT_FALSE(app.paused());
    EXPECT_EQ(app.toolbarImageName(), QStringLiteral("toolbar_pause"));
    EXPECT_EQ(app.addButtonTitle(), QStringLiteral("Start Conversion"));
    EXPECT_EQ(app.windowTitle(), QStringLiteral("Tavrel "));
}

TEST_F(QueueTest, AddingWhilePausedQueuesAndResumeContinuesInListOrder)
{
    ConversionJob *first = add(QStringLiteral("one.mkv"));
    ASSERT_EQ(first->state(), Converting);
    const qint64 pid = first->processId();
    ASSERT_GT(pid, 0);

    pauseOrResume();
    EXPECT_EQ(first->state(), Paused);
    EXPECT_TRUE(waitUntil([&] { return processState(pid) == u'T'; }));
    EXPECT_EQ(platform.sleep.held, 0);

    ConversionJob *second = add(QStringLiteral("two.mkv"));
    EXPECT_EQ(second->state(), Queued);
    EXPECT_EQ(app.addButtonTitle(), QStringLiteral("Add to Queue"));
    EXPECT_EQ(app.windowTitle(), QStringLiteral("Tavrel (Paused) [2 Job(s), 1 Queued]"));

    pauseOrResume();
    EXPECT_EQ(first->state(), Converting);
    EXPECT_EQ(second->state(), Queued);
    EXPECT_NE(processState(pid), u'T');
    EXPECT_EQ(platform.sleep.held, 1);
    EXPECT_EQ(app.addButtonTitle(), QStringLiteral("Start Conversion"));
}

TEST_F(QueueTest, ResumeStartsAQueuedJobWhenItComesFirst)
{
    pauseOrResume();
    ConversionJob *first = add(QStringLiteral("one.mkv"));
    ConversionJob *second = add(QStringLiteral("two.mkv"));
    EXPECT_EQ(first->state(), Queued);

    pauseOrResume();
    EXPECT_EQ(first->state(), Converting);
    EXPECT_EQ(second->state(), Queued);
}

TEST_F(QueueTest, AJobContinuedByItselfEndsThePauseButStartsNothingElse)
{
    ConversionJob *first = add(QStringLiteral("one.mkv"));
    pauseOrResume();
    ConversionJob *second = add(QStringLiteral("two.mkv"));

    first->continueJob();
    EXPECT_FALSE(app.paused());
    EXPECT_EQ(app.toolbarLabel(), QStringLiteral("Pause Queue"));
    EXPECT_EQ(first->state(), Converting);
    EXPECT_EQ(second->state(), Queued);
}

TEST_F(QueueTest, CleaningRemovesOnlyFinishedJobsAndKeepsTheOrder)
{
    pauseOrResume(); // nothing starts
    ConversionJob *finished1 = add(QStringLiteral("a.mkv"));
    ConversionJob *failed = add(QStringLiteral("b.mkv"));
    ConversionJob *queued = add(QStringLiteral("c.mkv"));
    ConversionJob *finished2 = add(QStringLiteral("d.mkv"));
    finished1->setState(Finished);
    failed->setState(Failed);
    finished2->setState(Finished);
    // A finished job's output is the user's: cleaning keeps it.
    writeFile(destination(QStringLiteral("a.mkv")), "output");

    QSignalSpy removed(&app, &AppDelegate::jobRemoved);
    app.cleanClicked();

    EXPECT_EQ(app.taskArray(), (MutableConversionJobArray{failed, queued}));
    ASSERT_EQ(removed.size(), 2);
    EXPECT_EQ(removed.at(0).at(0).toInt(), 0);
    EXPECT_EQ(removed.at(1).at(0).toInt(), 2);
    EXPECT_TRUE(QFile::exists(destination(QStringLiteral("a.mkv"))));
    EXPECT_EQ(app.windowTitle(), QStringLiteral("Tavrel (Paused) [2 Job(s), 1 Queued]"));

    // Removed jobs are deleted once their remove() has returned.
    QPointer<ConversionJob> gone(finished1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
}

TEST_F(QueueTest, AnUnwritableDestinationDropsTheJobWithAnAlert)
{
    auto info = makeRecord(tools.movie(QStringLiteral("a.mkv")));
    auto *job = test::jobFor(&app.queue(), info, tools.path(QStringLiteral("missing/a.mp4")), &app);
    app.addJob(job);

    EXPECT_TRUE(app.taskArray().isEmpty());
    EXPECT_EQ(platform.alerts.activations, 1);
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown.first().title, QStringLiteral("Tavrel"));
    EXPECT_EQ(platform.alerts.shown.first().message,
              QStringLiteral("You don't seem to have write access to the selected destinatation or it is a "
                             "read-only filesystem. Please choose another destination."));
    EXPECT_EQ(platform.alerts.shown.first().defaultButton, QStringLiteral("OK"));
    EXPECT_EQ(platform.sleep.acquired, 0);

    // A file already at the destination is refused the same way.
    writeFile(tools.path(QStringLiteral("b.mp4")), "old");
    auto info2 = makeRecord(tools.movie(QStringLiteral("b.mkv")));
    auto *job2 = test::jobFor(&app.queue(), info2, tools.path(QStringLiteral("b.mp4")), &app);
    app.addJob(job2);
    EXPECT_TRUE(app.taskArray().isEmpty());
    EXPECT_EQ(platform.alerts.shown.size(), 2);
}

TEST_F(QueueTest, QuittingWithoutAConvertingJobAsksNothing)
{
    ConversionJob *first = add(QStringLiteral("one.mkv"));
    const qint64 pid = first->processId();
    pauseOrResume();
    add(QStringLiteral("two.mkv"));
    ASSERT_EQ(app.jobCountWithState(Paused), 1);
    ASSERT_EQ(app.jobCountWithState(Queued), 1);

    EXPECT_TRUE(app.applicationShouldTerminate());
    EXPECT_TRUE(platform.alerts.shown.isEmpty());

    app.applicationWillTerminate();
    EXPECT_TRUE(app.taskArray().isEmpty());
    // The stopped child is gone and its partial output with it.
    EXPECT_TRUE(waitUntil([&] {
        return !QFile::exists(QStringLiteral("/proc/%1").arg(pid)) || processState(pid) == u'Z';
    })) << "state "
        << processState(pid).toLatin1();
    EXPECT_FALSE(QFile::exists(destination(QStringLiteral("one.mkv"))));
}

TEST_F(QueueTest, QuittingWhileConvertingAsksAndCancelKeepsItRunning)
{
    ConversionJob *first = add(QStringLiteral("one.mkv"));
    ConversionJob *second = add(QStringLiteral("two.mkv"));
    QSignalSpy quit(&app, &AppDelegate::quitRequested);

    platform.alerts.answers.enqueue({0}); // Cancel
    app.terminateApplication();
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    const platform::AlertRequest &asked = platform.alerts.shown.first();
    EXPECT_EQ(asked.title, QStringLiteral("Tavrel"));
    EXPECT_EQ(asked.message, QStringLiteral("Conversion is in progresss. Are you sure you want to quit?"));
    EXPECT_EQ(asked.defaultButton, QStringLiteral("Quit"));
    EXPECT_EQ(asked.alternateButton, QStringLiteral("Cancel"));
    EXPECT_EQ(quit.size(), 0);
    EXPECT_EQ(first->state(), Converting);
    EXPECT_EQ(app.taskArray().size(), 2);

    // Quit: every job goes, and the queued one is not launched only to be killed.
    platform.alerts.answers.enqueue({1});
    QPointer<ConversionJob> secondAlive(second);
    app.terminateApplication();
    EXPECT_EQ(quit.size(), 1);
    EXPECT_TRUE(app.taskArray().isEmpty());
    ASSERT_FALSE(secondAlive.isNull());
    EXPECT_EQ(second->state(), Queued);
    EXPECT_EQ(platform.sleep.acquired, 1);
    EXPECT_EQ(platform.sleep.held, 0);
}

TEST_F(QueueTest, ListModelSignalsNameTheRows)
{
    pauseOrResume();
    QSignalSpy aboutToInsert(&app, &AppDelegate::jobsAboutToBeInserted);
    QSignalSpy inserted(&app, &AppDelegate::jobsInserted);
    QSignalSpy aboutToRemove(&app, &AppDelegate::jobAboutToBeRemoved);
    add(QStringLiteral("a.mkv"));
    ConversionJob *second = add(QStringLiteral("b.mkv"));
    ASSERT_EQ(inserted.size(), 2);
    EXPECT_EQ(aboutToInsert.at(1).at(0).toInt(), 1);
    EXPECT_EQ(inserted.at(1).at(0).toInt(), 1);

    second->remove();
    ASSERT_EQ(aboutToRemove.size(), 1);
    EXPECT_EQ(aboutToRemove.first().at(0).toInt(), 1);
    EXPECT_EQ(app.taskArray().size(), 1);
}

TEST(QueueWindowTitle, Composition)
{
    EXPECT_EQ(queueWindowTitle(QStringLiteral("Tavrel"), false, 0, 0), QStringLiteral("Tavrel "));
    EXPECT_EQ(queueWindowTitle(QStringLiteral("Tavrel"), true, 0, 0), QStringLiteral("Tavrel (Paused)"));
    EXPECT_EQ(queueWindowTitle(QStringLiteral("Tavrel"), false, 3, 2), QStringLiteral("Tavrel  [3 Job(s), 2 Queued]"));
    EXPECT_EQ(queueWindowTitle(QStringLiteral("Tavrel"), true, 1, 0),
              QStringLiteral("Tavrel (Paused) [1 Job(s), 0 Queued]"));
}

TEST_F(QueueTest, AVanishedSourceFailsItsJobAndTheQueueGoesOn)
{
    // Even with QuitAfterConversion: the third job's deferred start comes before any quit.
    settings::setDefaultInt(settings::kQuitAfterConversionKey, 1);
    QSignalSpy quit(&app, &AppDelegate::quitRequested);
    ConversionJob *first = add(QStringLiteral("one.mkv"));
    ConversionJob *second = add(QStringLiteral("two.mkv"));
    ConversionJob *third = add(QStringLiteral("three.mkv"));
    ASSERT_TRUE(QFile::remove(tools.path(QStringLiteral("two.mkv"))));

    FakeTools::end(first);
    ASSERT_TRUE(waitUntil([&] { return third->state() == Converting; }));
    EXPECT_EQ(quit.size(), 0);
    EXPECT_EQ(first->state(), Finished);
    EXPECT_EQ(second->state(), Failed);
    EXPECT_TRUE(second->jobOutput().contains(QStringLiteral("USER_REMOVED")));
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown.first().message,
              QStringLiteral("It seems you've removed the file two.mkv or unmounted it's volume so conversion can't "
                             "proceed."));
}

TEST_F(QueueTest, AutoRemoveKeepsASourceThatAnotherJobStillReads)
{
    settings::setDefaultInt(settings::kAutoRemoveKey, 1);
    settings::setDefaultInt(settings::kAutoRemoveTypeKey, 1); // delete at once
    const QString source = tools.movie(QStringLiteral("same.mkv"));
    QList<ConversionJob *> jobs;
    for (const QString &output : {QStringLiteral("same.mp4"), QStringLiteral("same-0.mp4")}) {
        auto info = makeRecord(source);
        auto *job = test::jobFor(&app.queue(), info, tools.path(output), &app);
        app.addJob(job);
        jobs.append(job);
    }

    FakeTools::end(jobs.at(0));
    ASSERT_TRUE(waitUntil([&] { return jobs.at(1)->state() == Converting; }));
    EXPECT_TRUE(QFile::exists(source)); // the second job reads it now

    FakeTools::end(jobs.at(1));
    ASSERT_TRUE(waitUntil([&] { return jobs.at(1)->state() == Finished; }));
    EXPECT_FALSE(QFile::exists(source));
}

TEST_F(QueueTest, QuitAfterConversionWaitsForTheMoviesStillComingIn)
{
    settings::setDefaultInt(settings::kAutoAddKey, 1);
    settings::setDefaultInt(settings::kQuitAfterConversionKey, 1);
    FakeScanner scanner;
    app.setScanner(scanner.scanner());
    QSignalSpy quit(&app, &AppDelegate::quitRequested);
    const QString fake = tools.movie(QStringLiteral("fake.mkv"));
    const QString good = tools.movie(QStringLiteral("good.mkv"));
    platform.panels.saveAnswers.enqueue(destination(QStringLiteral("fake.mkv")));
    platform.panels.saveAnswers.enqueue(destination(QStringLiteral("good.mkv")));
    scanner.hold(QStringLiteral("good.mkv"));

    app.application_openFiles({fake, good});
    ASSERT_TRUE(waitUntil([&] { return app.jobCountWithState(Converting) == 1 && scanner.scanned().size() == 2; }));
    // The first movie fails while the second is still being read: no quit yet.
    FakeTools::end(app.taskArray().first(), 1);
    ASSERT_TRUE(waitUntil([&] { return app.taskArray().first()->state() == Failed; }));
    EXPECT_EQ(quit.size(), 0);

    scanner.release(QStringLiteral("good.mkv"));
    ASSERT_TRUE(waitUntil([&] { return app.taskArray().size() == 2 && app.jobCountWithState(Converting) == 1; }));
    EXPECT_EQ(quit.size(), 0);
    FakeTools::end(app.taskArray().at(1));
    ASSERT_TRUE(waitUntil([&] { return quit.size() == 1; }));
    EXPECT_TRUE(QFile::exists(destination(QStringLiteral("good.mkv"))));
}

TEST_F(QueueTest, QuitAfterConversionQuitsOnceTheLastWaitingMovieIsCancelled)
{
    settings::setDefaultInt(settings::kQuitAfterConversionKey, 1);
    FakeScanner scanner;
    app.setScanner(scanner.scanner());
    QSignalSpy quit(&app, &AppDelegate::quitRequested);
    QSignalSpy scanned(&app, &AppDelegate::scanFinished);
    ConversionJob *job = add(QStringLiteral("one.mkv"));
    app.application_openFiles({tools.movie(QStringLiteral("shown.mkv"))});
    ASSERT_TRUE(waitUntil([&] { return scanned.size() == 1; }));

    FakeTools::end(job);
    ASSERT_TRUE(waitUntil([&] { return job->state() == Finished; }));
    EXPECT_EQ(quit.size(), 0); // the movie in the panel waits for the user
    app.cancelAdd();
    EXPECT_EQ(quit.size(), 1);
}

// A source AutoRemove cannot dispose of (immutable for root, in a read-only folder otherwise) is
// kept, and the log and a notification say so.
TEST_F(QueueTest, AutoRemoveThatCannotRemoveKeepsTheSourceAndSaysWhy)
{
    settings::setDefaultInt(settings::kAutoRemoveKey, 1);
    settings::setDefaultInt(settings::kAutoRemoveTypeKey, 1); // delete at once
    ConversionJob *job = add(QStringLiteral("kept.mkv"));
    const QString source = tools.path(QStringLiteral("kept.mkv"));
    const bool root = ::getuid() == 0;
    const QString folder = tools.dir.path();
    ASSERT_EQ(root ? QProcess::execute("chattr", {"+i", source})
                   : int(!QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner)),
              0);
    FakeTools::end(job);
    const bool ended = waitUntil([&] { return job->state() == Finished; });
    root ? QProcess::execute("chattr", {"-i", source})
         : int(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    ASSERT_TRUE(ended);
    EXPECT_TRUE(QFile::exists(source));
    EXPECT_TRUE(job->log().contains(QStringLiteral("The movie kept.mkv was kept: it could not be deleted")))
        << job->log().toStdString();
    ASSERT_EQ(platform.notifier.delivered.size(), 2);
    EXPECT_EQ(platform.notifier.delivered.first().title, QStringLiteral("Tavrel Kept a Movie"));
}

// Pipes, devices and sockets never reach a scan: reading one would block.
TEST_F(QueueTest, PipesAreRefusedAtIntake)
{
    const QString movie = tools.path(QStringLiteral("pipe.mkv"));
    const QString subtitle = tools.path(QStringLiteral("pipe.srt"));
    for (const QString &path : {movie, subtitle})
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    app.application_openFiles({movie, subtitle});
    ASSERT_EQ(platform.alerts.shown.size(), 1);
    EXPECT_EQ(platform.alerts.shown.first().message,
              QStringLiteral("Tavrel cannot read “pipe.mkv”, “pipe.srt”: only regular files can be converted, not "
                             "pipes, devices or sockets."));
    EXPECT_FALSE(app.isScanning());
    EXPECT_EQ(app.filePanelHeight(), 0);
}

} // namespace
} // namespace tavrel::test
