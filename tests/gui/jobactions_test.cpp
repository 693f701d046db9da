// SPDX-License-Identifier: GPL-3.0-or-later
// What a job's row offers: its context menu, the natural action of a double-click or Return,
// Space, removing several rows at once and the names assistive technology reads.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "controllertesting.h"
#include "ui/jobactions.h"
#include "ui/joblistmodel.h"
#include "ui/joblistview.h"
#include "ui/mainwindow.h"
#include "uitesting.h"

namespace tavrel {
namespace {

using A = JobAction;

TEST(JobActions, OnlyTheActionsThatApplyInMenuOrder)
{
    const struct
    {
        JobFacts facts;
        QList<JobAction> actions;
        std::optional<JobAction> natural;
    } rows[] = {
        // state, log, output on disk, source on disk, output path
        {{Queued, false, false, true, true}, {A::Continue, A::ShowSource, A::CopyOutputPath, A::Remove}, std::nullopt},
        {{Converting, true, true, true, true},
         {A::Pause, A::ShowInFileManager, A::ShowSource, A::ShowLog, A::CopyOutputPath, A::Remove},
         std::nullopt},
        {{Paused, true, true, true, true},
         {A::Continue, A::ShowInFileManager, A::ShowSource, A::ShowLog, A::CopyOutputPath, A::Remove},
         std::nullopt},
        {{Finished, true, true, false, true},
         {A::ShowInFileManager, A::ShowLog, A::CopyOutputPath, A::Remove},
         A::ShowInFileManager},
        // The output was moved away: nothing to show, and a double-click does nothing.
        {{Finished, true, false, true, true}, {A::ShowSource, A::ShowLog, A::CopyOutputPath, A::Remove}, std::nullopt},
        {{Failed, true, false, true, true},
         {A::ShowSource, A::ExplainFailure, A::ShowLog, A::CopyOutputPath, A::Remove},
         A::ExplainFailure},
        // The source had gone before ffmpeg ran: no log.
        {{Failed, false, false, false, true}, {A::ExplainFailure, A::CopyOutputPath, A::Remove}, A::ExplainFailure},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(applicableJobActions(row.facts), row.actions) << row.facts.state;
        EXPECT_EQ(naturalJobAction(row.facts), row.natural) << row.facts.state;
    }
    EXPECT_EQ(removalQuestion(3, 0), QString());
    EXPECT_EQ(removalQuestion(1, 1),
              QStringLiteral("Remove this job from the list? Its conversion stops and the "
                             "unfinished output is deleted; the movies are kept."));
    EXPECT_TRUE(
        removalQuestion(3, 1).startsWith(QStringLiteral("Remove these 3 jobs from the list? The conversion of one")));
}

class JobRowActionsTest : public test::UiFixture
{
protected:
    void SetUp() override
    {
        test::UiFixture::SetUp();
        window = std::make_unique<MainWindow>(delegate.get());
        window->resize(900, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        list = window->jobList();
    }
    void TearDown() override
    {
        window.reset();
        test::UiFixture::TearDown();
    }

    // A job whose source (and, when asked, output) exist on disk; the output is written after the
    // job is added, since the queue refuses a destination that is taken.
    ConversionJob *job(const QString &name, qint32 state, bool withOutput)
    {
        test::writeFile(dir.filePath(name + QStringLiteral(".mkv")), "movie");
        ConversionJob *added = addJobInState(name, state);
        if (withOutput)
            test::writeFile(dir.filePath(name + QStringLiteral(".mp4")), "output");
        return added;
    }

    QStringList menuTexts(ConversionJob *job)
    {
        std::unique_ptr<QMenu> menu(window->createJobMenu(job, window.get()));
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
        return texts;
    }

    void trigger(ConversionJob *job, const QString &title)
    {
        std::unique_ptr<QMenu> menu(window->createJobMenu(job, window.get()));
        for (QAction *action : menu->actions())
            if (action->text() == title)
                action->trigger();
        QCoreApplication::processEvents(); // the action runs once the menu has closed
    }

    void select(const QList<int> &rows)
    {
        list->clearSelection();
        for (int row : rows)
            list->selectionModel()->select(window->jobModel()->index(row), QItemSelectionModel::Select);
        list->selectionModel()->setCurrentIndex(window->jobModel()->index(rows.last()), QItemSelectionModel::NoUpdate);
        list->setFocus();
    }

    std::unique_ptr<MainWindow> window;
    JobListView *list = nullptr;
};

TEST_F(JobRowActionsTest, TheRowMenuHoldsWhatAppliesAndItsActionsAct)
{
    ConversionJob *busy = job(QStringLiteral("Busy"), Converting, true);
    ConversionJob *broken = job(QStringLiteral("Broken"), Failed, false);
    ConversionJob *waiting = job(QStringLiteral("Waiting"), Queued, false);
    EXPECT_EQ(
        menuTexts(busy),
        (QStringList{"Pause", "|", "Show in File Manager", "Show Source", "|", "Copy Output Path", "|", "Remove"}));
    EXPECT_EQ(menuTexts(broken),
              (QStringList{"Show Source", "|", "Explain Failure", "|", "Copy Output Path", "|", "Remove"}));
    EXPECT_EQ(menuTexts(waiting),
              (QStringList{"Continue", "|", "Show Source", "|", "Copy Output Path", "|", "Remove"}));

    trigger(busy, QStringLiteral("Copy Output Path"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), dir.filePath(QStringLiteral("Busy.mp4")));
    trigger(broken, QStringLiteral("Show Source"));
    ASSERT_EQ(platform.workspace.revealed.size(), 1);
    EXPECT_EQ(platform.workspace.revealed.first(), QStringList{dir.filePath(QStringLiteral("Broken.mkv"))});
    trigger(broken, QStringLiteral("Explain Failure"));
    EXPECT_EQ(platform.alerts.shown.size(), 1);
    trigger(waiting, QStringLiteral("Remove")); // a queued job goes without a question
    EXPECT_EQ(delegate->taskArray(), (MutableConversionJobArray{busy, broken}));
    EXPECT_EQ(platform.alerts.shown.size(), 1);
}

TEST_F(JobRowActionsTest, ReturnAndDoubleClickRunTheNaturalActionSpacePausesOrContinues)
{
    job(QStringLiteral("Done"), Finished, true);
    job(QStringLiteral("Broken"), Failed, false);
    ConversionJob *waiting = addJobInState(QStringLiteral("Gone"), Queued); // its source does not exist

    select({0});
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !platform.workspace.revealed.isEmpty(); }, 2000));
    EXPECT_EQ(platform.workspace.revealed.last(), QStringList{dir.filePath(QStringLiteral("Done.mp4"))});

    const QRect failedRow = list->visualRect(window->jobModel()->index(1));
    // As the window system delivers a double-click: a click, then the second press as a double-click.
    const QPoint onName = failedRow.topLeft() + QPoint(80, 10);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onName);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onName);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !platform.alerts.shown.isEmpty(); }, 2000));
    EXPECT_EQ(platform.alerts.shown.last().title, QStringLiteral("Information"));
    EXPECT_EQ(platform.workspace.revealed.size(), 1);

    // Space on the queued job continues it: it starts, finds its source gone and fails.
    platform.volumes.byPrefix.insert(QStringLiteral("/"), {quint64(1) << 40, std::nullopt});
    select({2});
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(waiting->state(), Failed);
}

TEST_F(JobRowActionsTest, DeleteRemovesEverySelectedRowAskingFirstWhenOneConverts)
{
    job(QStringLiteral("Done"), Finished, true);
    job(QStringLiteral("Busy"), Converting, true);
    job(QStringLiteral("Waiting"), Queued, false);
    ConversionJob *kept = job(QStringLiteral("Broken"), Failed, false);
    select({0, 1, 2});
    EXPECT_EQ(window->removeJobAction()->text(), QStringLiteral("Remove 3 Jobs"));

    platform.alerts.answers.enqueue({0}); // "Cancel"
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform.alerts.shown.size() == 1; }, 2000));
    QCoreApplication::processEvents();
    EXPECT_EQ(delegate->taskArray().size(), 4);
    EXPECT_EQ(platform.alerts.shown.first().defaultButton, QStringLiteral("Remove"));
    EXPECT_EQ(platform.alerts.shown.first().alternateButton, QStringLiteral("Cancel"));

    platform.alerts.answers.enqueue({1}); // "Remove"
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate->taskArray().size() == 1; }, 2000));
    EXPECT_EQ(delegate->taskArray().first(), kept);
    // The queued one went before the converting one, so it was never started on the way.
    EXPECT_EQ(platform.alerts.shown.size(), 2);

    select({0});
    QTest::keyClick(list, Qt::Key_Delete); // nothing converts: no question
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate->taskArray().isEmpty(); }, 2000));
    EXPECT_EQ(platform.alerts.shown.size(), 2);
}

TEST_F(JobRowActionsTest, RowsAndTheirButtonsHaveAccessibleNames)
{
    job(QStringLiteral("Busy"), Converting, true);
    ConversionJob *broken = job(QStringLiteral("Broken"), Failed, false);
    QAccessibleInterface *jobs = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(jobs, nullptr);
    EXPECT_EQ(jobs->role(), QAccessible::List);
    ASSERT_EQ(jobs->childCount(), 2);

    QAccessibleInterface *row = jobs->child(0);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->role(), QAccessible::ListItem);
    EXPECT_EQ(row->text(QAccessible::Name), QStringLiteral("Busy.mkv"));
    EXPECT_TRUE(row->text(QAccessible::Description).startsWith(QStringLiteral("Status: Converting")));
    EXPECT_EQ(row->parent(), jobs);
    QStringList names;
    for (int i = 0; i < row->childCount(); ++i) {
        EXPECT_EQ(row->child(i)->role(), QAccessible::Button);
        EXPECT_TRUE(list->viewport()
                        ->rect()
                        .translated(list->viewport()->mapToGlobal(QPoint()))
                        .contains(row->child(i)->rect()));
        names << row->child(i)->text(QAccessible::Name);
    }
    EXPECT_EQ(names, (QStringList{"Pause", "Remove", "Show in File Manager"}));

    QAccessibleInterface *failed = jobs->child(1);
    ASSERT_EQ(failed->childCount(), 2);
    EXPECT_EQ(failed->child(1)->text(QAccessible::Name), QStringLiteral("Explain Failure"));
    EXPECT_FALSE(failed->child(0)->text(QAccessible::Description).isEmpty());

    // Pressing a button does what a click does.
    QAccessibleActionInterface *remove = failed->child(0)->actionInterface();
    ASSERT_NE(remove, nullptr);
    remove->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate->taskArray().size() == 1; }, 2000));
    EXPECT_FALSE(delegate->taskArray().contains(broken));
    EXPECT_EQ(jobs->childCount(), 1);
    EXPECT_EQ(jobs->child(0)->text(QAccessible::Name), QStringLiteral("Busy.mkv"));
}

} // namespace
} // namespace tavrel
