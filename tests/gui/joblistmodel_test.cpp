// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

#include "conversion/conversionjob.h"
#include "ui/joblistmodel.h"
#include "uitesting.h"

namespace tavrel {
namespace {

// Stands in for the controller: the model reads its list and follows its list signals.
class FakeQueue final : public QObject
{
    Q_OBJECT

public:
    const QList<ConversionJob *> &taskArray() const { return m_jobs; }

    // One job announced at a time, as the controller adds them.
    void append(const QList<ConversionJob *> &jobs)
    {
        for (ConversionJob *job : jobs) {
            const int row = int(m_jobs.size());
            Q_EMIT jobsAboutToBeInserted(row);
            m_jobs.append(job);
            Q_EMIT jobsInserted(row);
            Q_EMIT taskArrayChanged();
        }
    }
    void removeAt(int row)
    {
        Q_EMIT jobAboutToBeRemoved(row);
        m_jobs.removeAt(row);
        Q_EMIT jobRemoved(row);
        Q_EMIT taskArrayChanged();
    }
    // Replaces the list without a signal, so only the model's sync() can find the change.
    void operator=(const QList<ConversionJob *> &jobs) { m_jobs = jobs; }
    // A deleted job leaves the list unannounced, as all jobs do when the controller is destroyed.
    void dropOnDeletion(ConversionJob *job)
    {
        connect(job, &QObject::destroyed, this, [this, job] { m_jobs.removeOne(job); });
    }

Q_SIGNALS:
    void taskArrayChanged();
    void jobsAboutToBeInserted(int row);
    void jobsInserted(int row);
    void jobAboutToBeRemoved(int row);
    void jobRemoved(int row);

private:
    QList<ConversionJob *> m_jobs;
};

// Jobs without a real controller: the model only reads them.
class JobListModelTest : public ::testing::Test
{
protected:
    ConversionJob *makeJob(const QString &name)
    {
        auto *job =
            test::jobFor(nullptr, test::uiRecord(QStringLiteral("/movies/") + name, {QStringLiteral("#1: eng (ac3)")}),
                         QString(), &owner);
        jobs.dropOnDeletion(job); // connected before the model watches the job, so it is out first
        return job;
    }

    QObject owner;
    FakeQueue jobs;
    JobListModel model{&jobs};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(JobListModelTest, FollowsAppendsRemovalsAndReorders)
{
    ConversionJob *a = makeJob(QStringLiteral("A.mkv"));
    ConversionJob *b = makeJob(QStringLiteral("B.mkv"));
    ConversionJob *c = makeJob(QStringLiteral("C.mkv"));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    jobs.append({a, b, c});
    model.sync();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(inserted.count(), 3);
    EXPECT_EQ(model.index(1).data().toString(), QStringLiteral("B.mkv"));

    jobs.removeAt(1); // the middle one leaves: a removal, not a reset
    model.sync();
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 1);
    EXPECT_EQ(model.jobAt(1), c);
    EXPECT_EQ(reset.count(), 0);

    jobs = {c, a}; // reordered
    model.sync();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.jobAt(0), c);
    EXPECT_EQ(model.jobAt(1), a);

    model.sync(); // nothing changed: nothing announced
    EXPECT_EQ(inserted.count(), 3);
    EXPECT_EQ(reset.count(), 1);
}

TEST_F(JobListModelTest, JobChangesRefreshOnlyTheirRow)
{
    ConversionJob *a = makeJob(QStringLiteral("A.mkv"));
    ConversionJob *b = makeJob(QStringLiteral("B.mkv"));
    jobs.append({a, b});
    model.sync();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    b->setState(Converting);
    b->setProgress(25.0f);
    ASSERT_GE(changed.count(), 2);
    for (const auto &args : changed) {
        EXPECT_EQ(args.at(0).toModelIndex().row(), 1);
        EXPECT_EQ(args.at(1).toModelIndex().row(), 1);
    }
    const QModelIndex row = model.index(1);
    EXPECT_EQ(row.data(JobListModel::StateRole).toInt(), Converting);
    EXPECT_FLOAT_EQ(row.data(JobListModel::ProgressRole).toFloat(), 25.0f);
    EXPECT_TRUE(row.data(JobListModel::StateInfoRole).toString().startsWith(QStringLiteral("Status: Converting")));

    // A job that left the list no longer reaches the model.
    jobs = {a};
    model.sync();
    changed.clear();
    b->setState(Finished);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(JobListModelTest, ADeletedJobLeavesNoDanglingRow)
{
    ConversionJob *a = makeJob(QStringLiteral("A.mkv"));
    ConversionJob *b = makeJob(QStringLiteral("B.mkv"));
    jobs.append({a, b});
    model.sync();

    delete a; // before the list announced its removal
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.jobAt(0), b);
    jobs = {b};
    model.sync();
    EXPECT_EQ(model.rowCount(), 1);
}

TEST_F(JobListModelTest, TheControllerGoingFirstLeavesNoRows)
{
    auto queue = std::make_unique<FakeQueue>();
    JobListModel shown(queue.get());
    QAbstractItemModelTester check(&shown, QAbstractItemModelTester::FailureReportingMode::Fatal);
    queue->append({makeJob(QStringLiteral("A.mkv"))});
    ASSERT_EQ(shown.rowCount(), 1);

    queue.reset(); // its list goes with it, unannounced
    EXPECT_EQ(shown.rowCount(), 0);
    EXPECT_EQ(shown.jobAt(0), nullptr);
}

} // namespace
} // namespace tavrel

#include "joblistmodel_test.moc"
