// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stand-in for the queue as jobs see it: it keeps the jobs in order, records what they
// announce, and applies the after-job rules the queue applies. With startsNextJob set it also
// starts the next Queued or Paused job, like the queue.
#include <QList>
#include <QObject>

#include <algorithm>

#include "app/jobend.h"
#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "conversion/jobhost.h"

namespace tavrel::test {

class RecordingJobHost final : public JobHost
{
public:
    explicit RecordingJobHost(bool startsNextJob = false) : m_startsNextJob(startsNextJob) {}

    QList<ConversionJob *> jobs;
    QList<ConversionJob *> removed;
    int startNextCalls = 0, pauseContinueCalls = 0, terminateCalls = 0;

    // Listens to the job as the queue does.
    void track(ConversionJob *job)
    {
        jobs.append(job);
        QObject::connect(job, &ConversionJob::runRequested, &m_context, [this] { ++pauseContinueCalls; });
        QObject::connect(job, &ConversionJob::removed, &m_context, [this, job] {
            removed.append(job);
            jobs.removeAll(job);
            startNextWhenIdle();
        });
        QObject::connect(job, &ConversionJob::ended, &m_context, [this, job](JobEnd end) {
            if (end == JobEnd::SourceMissing)
                return; // the queue starts the next one on the loop's next turn
            afterJob(job, end, false, [this] { startNextWhenIdle(); });
            if (settings::defaultInt(settings::kQuitAfterConversionKey) && count(Converting) == 0)
                ++terminateCalls;
        });
    }
    ConversionSettings conversionSettings() const override { return settings::conversionSettings(); }
    bool refusalEndsJob() const override { return refusalEnds; }
    bool refusalEnds = false; // as the unattended batch does

private:
    qint64 count(qint32 state) const
    {
        return std::count_if(jobs.cbegin(), jobs.cend(), [state](ConversionJob *j) { return j->state() == state; });
    }
    void startNextWhenIdle()
    {
        if (count(Converting) != 0)
            return;
        ++startNextCalls;
        if (!m_startsNextJob)
            return;
        for (ConversionJob *job : jobs) {
            if (job->state() == Paused || job->state() == Queued) {
                job->continueJob();
                return;
            }
        }
    }

    bool m_startsNextJob;
    QObject m_context;
};

} // namespace tavrel::test
