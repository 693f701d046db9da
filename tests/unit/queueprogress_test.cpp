// SPDX-License-Identifier: GPL-3.0-or-later
// The queue's overall progress for the launcher entry, over jobs put in chosen states.
#include <QSignalSpy>

#include "app/queueprogress.h"
#include "controllertesting.h"

namespace tavrel::test {
namespace {

TEST(BatchFraction, EndedJobsCountWholeQueuedOnesAsNothing)
{
    EXPECT_DOUBLE_EQ(batchFraction({}), 0.0);
    EXPECT_DOUBLE_EQ(batchFraction({{Converting, 50.0}}), 0.5);
    EXPECT_DOUBLE_EQ(batchFraction({{Finished, 100.0}, {Converting, 50.0}, {Queued, 0.0}, {Queued, 0.0}}), 1.5 / 4);
    EXPECT_DOUBLE_EQ(batchFraction({{Failed, 100.0}, {Paused, 25.0}}), 1.25 / 2);
    // Progress is kept unclamped by the job; the batch never goes past its bounds.
    EXPECT_DOUBLE_EQ(batchFraction({{Converting, 130.0}, {Converting, -5.0}}), 0.5);
}

class QueueProgressTest : public ControllerTest
{
protected:
    QueueProgressTest() { app.applicationDidFinishLaunching(); }

    // A job in the list without a child process: added while the queue is paused.
    ConversionJob *add(const QString &name, qint32 state = Queued)
    {
        const bool wasPaused = app.paused();
        if (!wasPaused)
            app.pauseContinueClicked(&app);
        auto info = makeRecord(dir.filePath(name + QStringLiteral(".mkv")));
        auto *job = test::jobFor(&app.queue(), info, dir.filePath(name + QStringLiteral(".mp4")));
        job->setState(state);
        app.addJob(job);
        if (!wasPaused)
            app.pauseContinueClicked(nullptr);
        return job;
    }

    ScriptedPlatform platform;
    QTemporaryDir dir;
    AppDelegate app;
};

TEST_F(QueueProgressTest, ShownWhileAJobConvertsAndGoneWhenNothingDoes)
{
    QueueProgress progress(&app);
    QSignalSpy changed(&progress, &QueueProgress::changed);
    ConversionJob *first = add(QStringLiteral("one"));
    ConversionJob *second = add(QStringLiteral("two"));
    EXPECT_FALSE(progress.visible()) << "queued is not converting";

    first->setState(Converting);
    first->setProgress(50.0f);
    EXPECT_TRUE(progress.visible());
    EXPECT_DOUBLE_EQ(progress.fraction(), 0.25);

    first->setState(Finished);
    second->setState(Converting);
    second->setProgress(0.0f);
    EXPECT_DOUBLE_EQ(progress.fraction(), 0.5);
    // A finished job cleaned away still counts: the bar does not fall back.
    first->remove();
    EXPECT_DOUBLE_EQ(progress.fraction(), 0.5);

    // A paused queue converts nothing.
    second->setState(Paused);
    EXPECT_FALSE(progress.visible());
    EXPECT_DOUBLE_EQ(progress.fraction(), 0.0);
    second->setState(Converting);
    second->setProgress(80.0f);
    EXPECT_DOUBLE_EQ(progress.fraction(), 0.9);

    // The last one ends: nothing is left, and the next job starts a batch of its own.
    second->setState(Failed);
    EXPECT_FALSE(progress.visible());
    ConversionJob *third = add(QStringLiteral("three"));
    third->setState(Converting);
    third->setProgress(10.0f);
    EXPECT_DOUBLE_EQ(progress.fraction(), 0.1);
    EXPECT_GT(changed.count(), 0);
}

TEST_F(QueueProgressTest, AJobRemovedBeforeItEndedLeavesTheBatch)
{
    QueueProgress progress(&app);
    ConversionJob *running = add(QStringLiteral("running"), Converting);
    ConversionJob *dropped = add(QStringLiteral("dropped"));
    running->setProgress(60.0f);
    EXPECT_DOUBLE_EQ(progress.fraction(), 0.3);
    dropped->remove();
    EXPECT_DOUBLE_EQ(progress.fraction(), 0.6);
}

} // namespace
} // namespace tavrel::test
