// SPDX-License-Identifier: GPL-3.0-or-later
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/jobdelegate.h"
#include "ui/joblistmodel.h"
#include "ui/joblistview.h"
#include "ui/jobrowlayout.h"
#include "ui/mainwindow.h"
#include "uitesting.h"

namespace tavrel {
namespace {

class JobRowTest : public test::UiFixture
{
protected:
    void SetUp() override
    {
        test::UiFixture::SetUp();
        window = std::make_unique<MainWindow>(delegate.get());
        window->resize(900, 600);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        list = window->jobList();
        rowDelegate = qobject_cast<JobDelegate *>(list->itemDelegate());
        ASSERT_NE(rowDelegate, nullptr);
    }
    void TearDown() override
    {
        window.reset();
        test::UiFixture::TearDown();
    }

    JobRowGeometry geometryOfRow(int row) const
    {
        return jobRowGeometry(list->visualRect(window->jobModel()->index(row)), list->fontMetrics().height());
    }

    // Clicks the centre of a row's control; answers which control the delegate acted on.
    RowButton click(int row, RowButton where)
    {
        const JobRowGeometry g = geometryOfRow(row);
        const QRect rect = where == RowButton::PauseContinue ? g.pauseContinue
            : where == RowButton::Remove                     ? g.remove
                                                             : g.reveal;
        QSignalSpy clicked(rowDelegate, &JobDelegate::rowButtonClicked);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
        if (!clicked.wait(300))
            return RowButton::None;
        return clicked.first().at(1).value<RowButton>();
    }

    std::unique_ptr<MainWindow> window;
    QListView *list = nullptr;
    JobDelegate *rowDelegate = nullptr;
};

TEST_F(JobRowTest, RowControlsFollowTheStatusTransformers)
{
    struct Row
    {
        qint32 state;
        bool pause, resume, progress, progressEnabled;
    };
    const Row rows[] = {
        {Queued, false, true, false, true},    {Converting, true, false, true, true}, {Paused, false, true, true, true},
        {Finished, false, false, true, false}, {Failed, false, false, true, false},
    };
    for (const Row &row : rows) {
        const RowControls c = rowControls(row.state);
        EXPECT_EQ(c.pauseVisible, row.pause) << row.state;
        EXPECT_EQ(c.continueVisible, row.resume) << row.state;
        EXPECT_EQ(c.progressVisible, row.progress) << row.state;
        EXPECT_EQ(c.progressEnabled, row.progressEnabled) << row.state;
        EXPECT_TRUE(c.removeEnabled && c.revealEnabled) << row.state;
    }
}

TEST_F(JobRowTest, ClicksReachOnlyTheControlsARowShows)
{
    // Rows in every state; a hidden pause/continue button takes no click.
    const qint32 states[] = {Converting, Paused, Finished, Failed};
    for (qint32 state : states)
        addJobInState(QStringLiteral("Job%1").arg(state), state);
    ASSERT_EQ(window->jobModel()->rowCount(), 4);
    EXPECT_EQ(click(0, RowButton::PauseContinue), RowButton::PauseContinue);
    EXPECT_EQ(click(1, RowButton::PauseContinue), RowButton::PauseContinue);
    EXPECT_EQ(click(2, RowButton::PauseContinue), RowButton::None);
    EXPECT_EQ(click(3, RowButton::PauseContinue), RowButton::None);

    // A press that leaves the button before the release does nothing.
    const JobRowGeometry g = geometryOfRow(2);
    QSignalSpy clicked(rowDelegate, &JobDelegate::rowButtonClicked);
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, g.reveal.center());
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, g.name.center());
    EXPECT_FALSE(clicked.wait(200));
}

TEST_F(JobRowTest, RevealShowsTheOutputTheSourceWithShiftOrTheFailure)
{
    addJobInState(QStringLiteral("Done"), Finished);
    addJobInState(QStringLiteral("Broken"), Failed);

    ASSERT_EQ(click(0, RowButton::Reveal), RowButton::Reveal);
    ASSERT_EQ(platform.workspace.revealed.size(), 1);
    EXPECT_EQ(platform.workspace.revealed.last(), QStringList{dir.filePath(QStringLiteral("Done.mp4"))});

    platform.workspace.shift = true;
    ASSERT_EQ(click(0, RowButton::Reveal), RowButton::Reveal);
    EXPECT_EQ(platform.workspace.revealed.last(), QStringList{dir.filePath(QStringLiteral("Done.mkv"))});

    const auto alertsBefore = platform.alerts.shown.size();
    ASSERT_EQ(click(1, RowButton::Reveal), RowButton::Reveal);
    EXPECT_EQ(platform.workspace.revealed.size(), 2); // the failed job opens no file browser
    EXPECT_GT(platform.alerts.shown.size(), alertsBefore);
}

TEST_F(JobRowTest, RemoveAndContinueActOnTheJob)
{
    addJobInState(QStringLiteral("Finished"), Finished);
    // A queued job whose source is missing: continuing it starts it, and the start fails.
    platform.volumes.byPrefix.insert(QStringLiteral("/"), {quint64(1) << 40, std::nullopt});
    platform.volumes.byPrefix.insert(dir.path(), {quint64(1) << 40, std::nullopt});
    ConversionJob *queued = addJobInState(QStringLiteral("Waiting"), Queued);

    ASSERT_EQ(click(1, RowButton::PauseContinue), RowButton::PauseContinue);
    EXPECT_EQ(queued->state(), Failed);

    ASSERT_EQ(click(0, RowButton::Remove), RowButton::Remove);
    ASSERT_EQ(delegate->taskArray().size(), 1);
    EXPECT_EQ(delegate->taskArray().first(), queued);
    EXPECT_EQ(window->jobModel()->rowCount(), 1);
}

} // namespace
} // namespace tavrel
