// The job queue of the controller: adding, starting the next job, pausing and resuming,
// cleaning, removal and the window title.
#include "app/jobqueue.h"

#include "app/appdelegate.h"
#include "platform/api/services.h"
#include "support/alerts.h"
#include "support/fileops.h"
#include "support/format.h"
#include "support/ossorylib.h"

namespace tavrel {

QString queueWindowTitle(const QString &appName, bool paused, qsizetype jobCount, qsizetype queuedCount)
{
    const QString jobs = jobCount > 0
        ? makeString(QStringLiteral(" [%li Job(s), %li Queued]"), qint64(jobCount), qint64(queuedCount))
        : QString();
    return makeString(QStringLiteral("%@%@%@"), appName,
                      paused ? QStringLiteral(" (Paused)") : QStringLiteral(" "), jobs);
}

void AppDelegate::addJob(ConversionJob *job)
{
    if (!job)
        return;
    job->setParent(this);
    const std::shared_ptr<MKVFileInfo> &info = job->fileInfo();
    const QString destination = info ? info->destinationURL.toLocalFile() : QString();
    if (destination.isEmpty() || !isWriteablePath(destination)) {
        cancelAdd();
        // alert() brings the application to the front before it asks.
        alert(appName(),
              QStringLiteral("You don't seem to have write access to the selected destinatation or it is a "
                             "read-only filesystem. Please choose another destination."),
              QStringLiteral("OK"));
        // The dropped job never reaches remove(), so the folder access opened for it ends here.
        if (info && !info->securityURL.isEmpty() && platform::services().bookmarks)
            platform::services().bookmarks->stopAccess(info->securityURL.toLocalFile());
        job->deleteLater();
        return;
    }

    if (!m_paused && jobCountWithState(Converting) == 0)
        job->start();

    const int row = int(m_taskArray.size());
    Q_EMIT jobsAboutToBeInserted(row);
    m_taskArray.append(job);
    Q_EMIT jobsInserted(row);
    Q_EMIT taskArrayChanged();

    cancelAdd();
    updateWindowTitle();
}

qint64 AppDelegate::jobCountWithState(qint32 state) const
{
    qint64 count = 0;
    for (const ConversionJob *job : m_taskArray)
        if (job->state() == state)
            ++count;
    return count;
}

void AppDelegate::startNextJobInQueue()
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

void AppDelegate::removeJob(ConversionJob *job)
{
    const qsizetype row = m_taskArray.indexOf(job);
    if (row < 0)
        return;
    Q_EMIT jobAboutToBeRemoved(int(row));
    m_taskArray.removeAt(row);
    Q_EMIT jobRemoved(int(row));
    Q_EMIT taskArrayChanged();
    updateWindowTitle();
    // The job is still inside its own remove() when it calls this.
    job->deleteLater();
}

void AppDelegate::pauseContinueClicked(QObject *sender)
{
    if (m_paused) {
        setPaused(false);
        if (sender)
            startNextJobInQueue();
        setPauseLook(false);
        setAddButtonTitle(QStringLiteral("Start Conversion"));
    } else if (sender) {
        const MutableConversionJobArray jobs = m_taskArray;
        for (ConversionJob *job : jobs)
            if (m_taskArray.contains(job) && job->state() == Converting)
                job->pause();
        setPauseLook(true);
        setAddButtonTitle(QStringLiteral("Add to Queue"));
        setPaused(true);
    }
    updateWindowTitle();
}

void AppDelegate::cleanClicked()
{
    MutableConversionJobArray finished;
    for (ConversionJob *job : std::as_const(m_taskArray))
        if (job->state() == Finished)
            finished.append(job);
    for (ConversionJob *job : std::as_const(finished))
        if (m_taskArray.contains(job))
            job->remove();
}

void AppDelegate::updateWindowTitle()
{
    const QString title = queueWindowTitle(appName(), m_paused, m_taskArray.size(), jobCountWithState(Queued));
    if (title == m_windowTitle)
        return;
    m_windowTitle = title;
    Q_EMIT windowTitleChanged();
}

void AppDelegate::setPaused(bool paused)
{
    if (m_paused == paused)
        return;
    m_paused = paused;
    Q_EMIT pausedChanged();
}

void AppDelegate::setAddButtonTitle(const QString &title)
{
    if (m_addButtonTitle == title)
        return;
    m_addButtonTitle = title;
    Q_EMIT addButtonTitleChanged();
}

void AppDelegate::setPauseLook(bool pausedLook)
{
    m_toolbarImageName = pausedLook ? QStringLiteral("toolbar_start") : QStringLiteral("toolbar_pause");
    m_toolbarLabel = pausedLook ? QStringLiteral("Resume Queue") : QStringLiteral("Pause Queue");
    m_menuItemTitle = m_toolbarLabel;
    Q_EMIT pauseLookChanged();
}

} // namespace tavrel
