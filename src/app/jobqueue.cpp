// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/jobqueue.h"

#include <QTimer>

#include "app/jobend.h"
#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "platform/api/services.h"
#include "support/alerts.h"
#include "support/format.h"
#include "support/ossorylib.h"
#include "support/paths.h"

namespace tavrel {

JobQueue::JobQueue(QObject *parent) : QObject(parent) {}

JobQueue::~JobQueue()
{
    // A job must never call back into a half-destroyed queue.
    const MutableConversionJobArray jobs = m_taskArray;
    m_taskArray.clear();
    qDeleteAll(jobs);
}

void JobQueue::addJob(ConversionJob *job)
{
    add(job, true);
}

void JobQueue::restoreJob(ConversionJob *job)
{
    add(job, false);
}

void JobQueue::add(ConversionJob *job, bool fromIntake)
{
    if (!job)
        return;
    job->setParent(this);
    const ConversionRequest &request = job->request();
    if (request.output.path.isEmpty() || !isWriteablePath(request.output.path)) {
        if (fromIntake)
            Q_EMIT addHandled();
        // alert() brings the application to the front before it asks.
        alert(appName(),
              QStringLiteral("You don't seem to have write access to the selected destinatation or it is a "
                             "read-only filesystem. Please choose another destination."),
              QStringLiteral("OK"));
        // The dropped job never reaches remove(), so the folder access opened for it ends here.
        if (!request.destinationFolder.isEmpty() && platform::services().bookmarks)
            platform::services().bookmarks->stopAccess(request.destinationFolder);
        job->deleteLater();
        return;
    }

    connect(job, &ConversionJob::ended, this, [this, job](JobEnd end) { jobEnded(job, end); });
    connect(job, &ConversionJob::removed, this, [this, job] { removeJob(job); });
    connect(job, &ConversionJob::runRequested, this, [this] { pauseContinueClicked(nullptr); });
    connect(job, &ConversionJob::stateChanged, this, &JobQueue::jobStateChanged);
    if (!m_paused && jobCountWithState(Converting) == 0)
        job->start();

    const int row = int(m_taskArray.size());
    Q_EMIT jobsAboutToBeInserted(row);
    m_taskArray.append(job);
    Q_EMIT jobsInserted(row);
    Q_EMIT taskArrayChanged();

    if (fromIntake)
        Q_EMIT addHandled();
}

qint64 JobQueue::jobCountWithState(qint32 state) const
{
    qint64 count = 0;
    for (const ConversionJob *job : m_taskArray)
        if (job->state() == state)
            ++count;
    return count;
}

void JobQueue::startNextJobInQueue()
{
    if (m_paused || m_terminating)
        return;
    // Found first, acted on after: starting a job can call back and change the list.
    ConversionJob *next = nullptr;
    for (ConversionJob *job : std::as_const(m_taskArray)) {
        if (job->state() == Paused || job->state() == Queued) {
            next = job;
            break;
        }
    }
    if (!next)
        return;
    if (next->state() == Paused)
        next->continueJob();
    else
        next->start();
}

void JobQueue::removeJob(ConversionJob *job)
{
    const qsizetype row = m_taskArray.indexOf(job);
    if (row < 0)
        return;
    Q_EMIT jobAboutToBeRemoved(int(row));
    m_taskArray.removeAt(row);
    Q_EMIT jobRemoved(int(row));
    Q_EMIT taskArrayChanged();
    // The job is still inside its own remove() when it calls this.
    job->deleteLater();
    if (jobCountWithState(Converting) == 0)
        startNextJobInQueue();
}

void JobQueue::pauseContinueClicked(QObject *sender)
{
    if (m_paused) {
        setPaused(false);
        if (sender)
            startNextJobInQueue();
    } else if (sender) {
        const MutableConversionJobArray jobs = m_taskArray;
        for (ConversionJob *job : jobs)
            if (m_taskArray.contains(job) && job->state() == Converting)
                job->pause();
        setPaused(true);
    }
}

void JobQueue::removeAllForTermination()
{
    // While quitting, removing a running job must not launch the next one only to kill it.
    m_terminating = true;
    while (!m_taskArray.isEmpty()) {
        ConversionJob *job = m_taskArray.first();
        job->remove();
        // A job that did not take itself out of the list would keep this loop going for ever.
        if (!m_taskArray.isEmpty() && m_taskArray.first() == job)
            removeJob(job);
    }
}

void JobQueue::cleanClicked()
{
    MutableConversionJobArray finished;
    for (ConversionJob *job : std::as_const(m_taskArray))
        if (job->state() == Finished)
            finished.append(job);
    for (ConversionJob *job : std::as_const(finished))
        if (m_taskArray.contains(job))
            job->remove();
}

ConversionSettings JobQueue::conversionSettings() const
{
    return settings::conversionSettings();
}

void JobQueue::jobEnded(ConversionJob *job, JobEnd end)
{
    if (end == JobEnd::SourceMissing) {
        // The batch goes on without this movie. On the next turn of the loop: a run of vanished
        // sources must not nest one start inside another.
        ++m_deferredStarts;
        QTimer::singleShot(0, this, [this] {
            --m_deferredStarts;
            startNextWhenIdle();
            quitIfDone();
        });
        return;
    }
    afterJob(job, end, isSourceInUse(job), [this] { startNextWhenIdle(); });
    quitIfDone();
}

void JobQueue::startNextWhenIdle()
{
    if (jobCountWithState(Converting) == 0)
        startNextJobInQueue();
}

void JobQueue::quitIfDone()
{
    // Only after the next start: a job that started from here keeps the application running.
    if (settings::defaultInt(settings::kQuitAfterConversionKey) && m_deferredStarts == 0
        && jobCountWithState(Converting) == 0)
        Q_EMIT terminationRequested();
}

bool JobQueue::isListedSource(const QString &path) const
{
    const QString target = canonicalPath(path);
    for (const ConversionJob *job : m_taskArray)
        if (canonicalPath(job->request().source) == target)
            return true;
    return false;
}

bool JobQueue::isSourceInUse(const ConversionJob *job) const
{
    if (!job)
        return false;
    const QString source = canonicalPath(job->request().source);
    for (const ConversionJob *other : m_taskArray)
        if (other != job && other->state() != Finished && other->state() != Failed
            && canonicalPath(other->request().source) == source)
            return true;
    return false;
}

bool JobQueue::isOutputInUse(const QString &path) const
{
    // A finished job is done with its output; any other listed job still writes it or removes it
    // when it is removed.
    for (const ConversionJob *job : m_taskArray)
        if (job->state() != Finished && job->outputPath() == path)
            return true;
    return false;
}

bool JobQueue::isOutputTaken(const QString &path) const
{
    // Jobs that have not run yet have no file on disk; their names are taken all the same, or two
    // jobs for one movie would write into the same output.
    for (const ConversionJob *job : m_taskArray)
        if (job->outputPath() == path)
            return true;
    return fileExists(path) || QFileInfo(path).isSymLink();
}

void JobQueue::setPaused(bool paused)
{
    if (m_paused == paused)
        return;
    m_paused = paused;
    Q_EMIT pausedChanged();
}

} // namespace tavrel
