// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A stand-in for the controller as jobs see it: it keeps the jobs in order and records every
// call, and applies the queue's end-of-job rules. With startsNextJob set it also starts the next
// Queued or Paused job, like the queue.
#include <QList>

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

    qint64 jobCountWithState(qint32 state) const override
    {
        return std::count_if(jobs.cbegin(), jobs.cend(), [state](ConversionJob *j) { return j->state() == state; });
    }
    void startNextJobInQueue() override
    {
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
    void removeJob(ConversionJob *job) override
    {
        removed.append(job);
        jobs.removeAll(job);
    }
    void pauseContinueClicked(QObject *) override { ++pauseContinueCalls; }
    void terminateApplication() override { ++terminateCalls; }
    // The queue's settings and end-of-job rules, as the controller applies them.
    ConversionSettings conversionSettings() const override { return settings::conversionSettings(); }
    void jobEnded(ConversionJob *job, JobEnd end) override { handleJobEnd(*this, job, end); }
    bool refusalEndsJob() const override { return refusalEnds; }
    bool refusalEnds = false; // as the unattended batch does

private:
    bool m_startsNextJob;
};

} // namespace tavrel::test
