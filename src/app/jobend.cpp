// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/jobend.h"

#include <QFile>
#include <QTimer>

#include <optional>

#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "platform/api/services.h"
#include "support/format.h"
#include "support/ossorylib.h"

namespace tavrel {

namespace {

// Starts put off to the next turn of the loop: until they have run, the queue is not idle.
int deferredStarts = 0;

void startNextWhenIdle(JobHost &queue)
{
    if (queue.jobCountWithState(Converting) == 0)
        queue.startNextJobInQueue();
}

// Only after the next start: a job that started from here keeps the application running.
void quitWhenIdle(JobHost &queue)
{
    if (settings::defaultInt(settings::kQuitAfterConversionKey) && deferredStarts == 0
        && queue.jobCountWithState(Converting) == 0)
        queue.terminateApplication();
}

// Why the source could not be disposed of; none when it was.
std::optional<QString> disposeOfSource(const QString &source)
{
    QFile file(source);
    const bool remove = settings::defaultInt(settings::kAutoRemoveTypeKey) != 0;
    if (remove ? file.remove() : file.moveToTrash())
        return std::nullopt;
    return makeString(remove ? QStringLiteral("it could not be deleted: %@")
                             : QStringLiteral("it could not be moved to the Trash: %@"),
                      file.errorString());
}

// A source that AutoRemove had to keep: the job's log and a notification say why.
void reportKeptSource(ConversionJob *job, const MKVFileInfo &info, const QString &why)
{
    const QString text = makeString(QStringLiteral("The movie %@ was kept: %@."), info.fileName, why);
    job->addNote(text);
    if (auto *notifier = platform::services().notifier) {
        platform::UserNotification note;
        note.title = makeString(QStringLiteral("%@ Kept a Movie"), appName());
        note.informativeText = text;
        notifier->deliver(note);
    }
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
        ++deferredStarts;
        QTimer::singleShot(0, job, [&queue] {
            --deferredStarts;
            startNextWhenIdle(queue);
            quitWhenIdle(queue);
        });
        return;
    }
    // The job may be deleted once it is removed: what follows holds its record.
    const std::shared_ptr<MKVFileInfo> info = job->fileInfo();
    if (end == JobEnd::Finished) {
        if (info && settings::defaultInt(settings::kAutoRemoveKey) && !queue.isSourceInUse(job))
            if (const auto kept = disposeOfSource(info->fileURL.toLocalFile()))
                reportKeptSource(job, *info, *kept);
        if (settings::defaultInt(settings::kAutoCleanKey))
            job->remove();
    }
    startNextWhenIdle(queue);
    notifyEnd(info.get(), end == JobEnd::Failed);
    quitWhenIdle(queue);
}

} // namespace tavrel
