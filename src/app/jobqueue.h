// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The job queue: the list of jobs, which one runs next, pausing and resuming the whole queue,
// cleaning and removal, and what follows the end of each job and of the whole queue.
#include <QList>
#include <QObject>
#include <QString>

#include "conversion/jobhost.h"

namespace tavrel {

class ConversionJob;

using MutableConversionJobArray = QList<ConversionJob *>;

class JobQueue final : public QObject, public JobHost
{
    Q_OBJECT

public:
    explicit JobQueue(QObject *parent = nullptr);
    ~JobQueue() override;
    Q_DISABLE_COPY_MOVE(JobQueue)

    const MutableConversionJobArray &taskArray() const { return m_taskArray; }
    bool paused() const { return m_paused; }
    bool isTerminating() const { return m_terminating; }

    // Takes ownership of the job. Drops it with an alert when its destination cannot be written.
    // Either way addHandled() follows.
    void addJob(ConversionJob *job);
    // The same for a job restored from the journal: the file intake is not told, so the movie it
    // is reading or showing stays.
    void restoreJob(ConversionJob *job);
    void cleanClicked();
    // Quitting: no job starts from here on, and every job is removed from the front.
    void removeAllForTermination();
    qint64 jobCountWithState(qint32 state) const;
    void startNextJobInQueue();
    // The window's pause button (sender set), or a job that runs again (none).
    void pauseContinueClicked(QObject *sender);
    // QuitAfterConversion, once no job runs or is about to start: asks the application to quit.
    void quitIfDone();

    // The source of a listed job.
    bool isListedSource(const QString &path) const;
    // Whether another listed job that has not ended yet reads the job's source, which AutoRemove
    // must then leave in place.
    bool isSourceInUse(const ConversionJob *job) const;
    // The destination of a listed job that has not finished.
    bool isOutputInUse(const QString &path) const;
    // The destination of any listed job, or a file (or link) on disk.
    bool isOutputTaken(const QString &path) const;

    // JobHost
    ConversionSettings conversionSettings() const override;
    bool refusalEndsJob() const override { return m_refusalEndsJob; }
    // An unattended batch: a job the free-space checks refuse ends Failed instead of waiting.
    void setRefusalEndsJob(bool ends) { m_refusalEndsJob = ends; }

Q_SIGNALS:
    // The job list: whole-list change plus row-level changes for a list model.
    void taskArrayChanged();
    void jobsAboutToBeInserted(int row);
    void jobsInserted(int row);
    void jobAboutToBeRemoved(int row);
    void jobRemoved(int row);
    // A listed job changed state.
    void jobStateChanged();

    void pausedChanged();

    // addJob has taken or refused its job: the file intake moves on.
    void addHandled();
    // QuitAfterConversion asks the application to quit.
    void terminationRequested();

private:
    void add(ConversionJob *job, bool fromIntake);
    void removeJob(ConversionJob *job);
    void jobEnded(ConversionJob *job, JobEnd end);
    void startNextWhenIdle();
    void setPaused(bool paused);

    MutableConversionJobArray m_taskArray;
    bool m_paused = false;
    bool m_terminating = false;
    bool m_refusalEndsJob = false;
    // Starts put off to the next turn of the loop: until they have run, the queue is not idle.
    int m_deferredStarts = 0;
};

} // namespace tavrel
