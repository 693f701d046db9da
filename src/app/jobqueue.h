// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The job queue: the list of jobs, which one runs next, pausing and resuming the whole queue,
// cleaning and removal, and the window title that counts the jobs. Jobs call it back through
// JobHost; what follows the end of a job is handleJobEnd's.
#include <QList>
#include <QObject>
#include <QString>

#include "conversion/jobhost.h"

namespace tavrel {

using MutableConversionJobArray = QList<ConversionJob *>;

// The main window's title: the application name, " (Paused)" or a single space, and
// " [N Job(s), M Queued]" when there are jobs.
QString queueWindowTitle(const QString &appName, bool paused, qsizetype jobCount, qsizetype queuedCount);

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
    QString addButtonTitle() const { return m_addButtonTitle; }
    QString toolbarImageName() const { return m_toolbarImageName; }
    QString toolbarLabel() const { return m_toolbarLabel; }
    QString menuItemTitle() const { return m_menuItemTitle; }
    QString windowTitle() const { return m_windowTitle; }

    // Takes ownership of the job. Drops it with an alert when its destination cannot be written.
    // Either way addHandled() follows.
    void addJob(ConversionJob *job);
    // The same for a job restored from the journal: the file intake is not told, so the movie it
    // is reading or showing stays.
    void restoreJob(ConversionJob *job);
    void cleanClicked();
    void updateWindowTitle();
    void setAddButtonTitle(const QString &title);
    // Quitting: no job starts from here on, and every job is removed from the front.
    void removeAllForTermination();

    // The source of a listed job.
    bool isListedSource(const QString &path) const;
    // The destination of a listed job that has not finished.
    bool isOutputInUse(const QString &path) const;
    // The destination of any listed job, or a file (or link) on disk.
    bool isOutputTaken(const QString &path) const;

    // JobHost
    qint64 jobCountWithState(qint32 state) const override;
    void startNextJobInQueue() override;
    void removeJob(ConversionJob *job) override;
    void pauseContinueClicked(QObject *sender) override;
    void terminateApplication() override; // emits terminationRequested
    bool isSourceInUse(const ConversionJob *job) const override;
    ConversionSettings conversionSettings() const override;
    void jobEnded(ConversionJob *job, JobEnd end) override;

Q_SIGNALS:
    // The job list: whole-list change plus row-level changes for a list model.
    void taskArrayChanged();
    void jobsAboutToBeInserted(int row);
    void jobsInserted(int row);
    void jobAboutToBeRemoved(int row);
    void jobRemoved(int row);

    void pausedChanged();
    void addButtonTitleChanged();
    void pauseLookChanged();
    void windowTitleChanged();

    // addJob has taken or refused its job: the file intake moves on.
    void addHandled();
    // QuitAfterConversion asks the application to quit.
    void terminationRequested();

private:
    void add(ConversionJob *job, bool fromIntake);
    void setPaused(bool paused);
    void setPauseLook(bool pausedLook);

    MutableConversionJobArray m_taskArray;
    bool m_paused = false;
    bool m_terminating = false;
    QString m_addButtonTitle = QStringLiteral("Start Conversion");
    QString m_toolbarImageName = QStringLiteral("toolbar_pause");
    QString m_toolbarLabel = QStringLiteral("Pause Queue");
    QString m_menuItemTitle = QStringLiteral("Pause Queue");
    QString m_windowTitle;
};

} // namespace tavrel
