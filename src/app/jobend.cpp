#include "app/jobend.h"

#include <QFile>
#include <QTimer>

#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "platform/api/services.h"
#include "support/format.h"
#include "support/ossorylib.h"

namespace tavrel {

namespace {

void startNextWhenIdle(JobHost &queue)
{
    if (queue.jobCountWithState(Converting) == 0)
        queue.startNextJobInQueue();
}

// Only after the next start: a job that started from here keeps the application running.
void quitWhenIdle(JobHost &queue)
{
    if (settings::defaultInt(settings::kQuitAfterConversionKey) && queue.jobCountWithState(Converting) == 0)
        queue.terminateApplication();
}

void disposeOfSource(const QString &source)
{
    if (settings::defaultInt(settings::kAutoRemoveTypeKey))
        QFile::remove(source);
    else
        QFile::moveToTrash(source);
}

void notifyEnd(const MKVFileInfo *info, bool failed)
{
    auto *notifier = platform::services().notifier;
    if (!notifier)
        return;
    const QString fileName = info ? info->fileName : QString();
    platform::UserNotification note;
    if (failed) {
        note.title = makeString(QStringLiteral("%@ Conversion Failed"), appName());
        note.informativeText = makeString(QStringLiteral("Tavrel has failed to convert the file %@."), fileName);
    } else {
        note.title = makeString(QStringLiteral("%@ Conversion Finished"), appName());
        note.informativeText =
            makeString(QStringLiteral("%@ has finished converting the file %@."), appName(), fileName);
        note.actionButtonTitle = QStringLiteral("Show");
        note.userInfo.insert(QStringLiteral("path"), info ? info->destinationURL.toLocalFile() : QString());
    }
    notifier->deliver(note);
}

} // namespace

void handleJobEnd(JobHost &queue, ConversionJob *job, JobEnd end)
{
    if (end == JobEnd::SourceMissing) {
        // The batch goes on without this movie. On the next turn of the loop: a run of vanished
        // sources must not nest one start inside another.
        QTimer::singleShot(0, job, [&queue] {
            startNextWhenIdle(queue);
            quitWhenIdle(queue);
        });
        return;
    }
    // The job may be deleted once it is removed: what follows holds its record.
    const std::shared_ptr<MKVFileInfo> info = job->fileInfo();
    if (end == JobEnd::Finished) {
        if (settings::defaultInt(settings::kAutoCleanKey))
            job->remove();
        if (info && settings::defaultInt(settings::kAutoRemoveKey) && !queue.isSourceInUse(job))
            disposeOfSource(info->fileURL.toLocalFile());
    }
    startNextWhenIdle(queue);
    notifyEnd(info.get(), end == JobEnd::Failed);
    quitWhenIdle(queue);
}

} // namespace tavrel
