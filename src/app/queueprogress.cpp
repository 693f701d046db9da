// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/queueprogress.h"

#include <algorithm>

#include "app/appdelegate.h"
#include "conversion/conversionjob.h"

namespace tavrel {

namespace {

bool hasEnded(qint32 state)
{
    return state == Finished || state == Failed;
}

bool isWaitingOrConverting(qint32 state)
{
    return state == Queued || state == Converting || state == Paused;
}

JobProgressSample sampleOf(const ConversionJob &job)
{
    return {job.state(), double(job.progress())};
}

} // namespace

double batchFraction(const QList<JobProgressSample> &batch)
{
    if (batch.isEmpty())
        return 0.0;
    double done = 0.0;
    for (const JobProgressSample &job : batch) {
        if (hasEnded(job.state))
            done += 1.0;
        else if (job.state != Queued)
            done += qBound(0.0, job.progress, 100.0) / 100.0;
    }
    return done / double(batch.size());
}

QueueProgress::QueueProgress(AppDelegate *delegate, QObject *parent) : QObject(parent), m_delegate(delegate)
{
    auto listChanged = [this] {
        watchJobs();
        refresh();
    };
    connect(m_delegate, &AppDelegate::taskArrayChanged, this, listChanged);
    watchJobs();
    refresh();
}

void QueueProgress::watchJobs()
{
    for (const auto &c : std::as_const(m_jobConnections))
        disconnect(c);
    m_jobConnections.clear();
    for (ConversionJob *job : m_delegate->taskArray()) {
        m_jobConnections.append(connect(job, &ConversionJob::stateChanged, this, &QueueProgress::refresh));
        m_jobConnections.append(connect(job, &ConversionJob::progressChanged, this, &QueueProgress::refresh));
    }
}

void QueueProgress::refresh()
{
    const MutableConversionJobArray &jobs = m_delegate->taskArray();

    // Jobs that left the list stay only when they had ended.
    QList<Entry> batch;
    for (const Entry &entry : std::as_const(m_batch)) {
        const bool listed = entry.job && jobs.contains(entry.job.data());
        if (listed)
            batch.append({entry.job, sampleOf(*entry.job)});
        else if (hasEnded(entry.last.state))
            batch.append({nullptr, entry.last});
    }

    bool anyLeft = false;
    bool converting = false;
    for (ConversionJob *job : jobs) {
        if (!isWaitingOrConverting(job->state()))
            continue;
        anyLeft = true;
        converting = converting || job->state() == Converting;
        const bool known = std::any_of(batch.cbegin(), batch.cend(), [job](const Entry &e) { return e.job == job; });
        if (!known)
            batch.append({job, sampleOf(*job)});
    }
    if (!anyLeft)
        batch.clear(); // the next job starts a new batch
    m_batch = batch;

    QList<JobProgressSample> samples;
    for (const Entry &entry : std::as_const(m_batch))
        samples.append(entry.last);
    const double fraction = converting ? batchFraction(samples) : 0.0;
    if (fraction == m_fraction && converting == m_visible)
        return;
    m_fraction = fraction;
    m_visible = converting;
    Q_EMIT changed();
}

} // namespace tavrel
