// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/jobend.h"

#include <QFile>

#include <optional>

#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "conversion/failureexplanation.h"
#include "support/alerts.h"
#include "platform/api/services.h"
#include "support/format.h"
#include "support/ossorylib.h"
#include "support/strings.h"

namespace tavrel {

namespace {

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
void reportKeptSource(ConversionJob *job, const QString &why)
{
    const QString text = makeString(QStringLiteral("The movie %@ was kept: %@."), job->fileInfo()->fileName, why);
    job->addNote(text);
    if (auto *notifier = platform::services().notifier) {
        platform::UserNotification note;
        note.title = makeString(QStringLiteral("%@ Kept a Movie"), appName());
        note.informativeText = text;
        notifier->deliver(note);
    }
}

void disposeAfterJob(ConversionJob *job, bool sourceInUse)
{
    if (job->fileInfo() && settings::defaultInt(settings::kAutoRemoveKey) && !sourceInUse)
        if (const auto kept = disposeOfSource(job->request().source))
            reportKeptSource(job, *kept);
    if (settings::defaultInt(settings::kAutoCleanKey))
        job->remove();
}

void notifyJobEnd(const ConversionJob &job, JobEnd end)
{
    auto *notifier = platform::services().notifier;
    if (!notifier)
        return;
    const QString fileName = job.fileInfo() ? job.fileInfo()->fileName : QString();
    platform::UserNotification note;
    if (end == JobEnd::Failed) {
        note.title = makeString(QStringLiteral("%@ Conversion Failed"), appName());
        note.informativeText = makeString(QStringLiteral("Tavrel has failed to convert the file %@."), fileName);
    } else {
        note.title = makeString(QStringLiteral("%@ Conversion Finished"), appName());
        const qsizetype parts = job.outputPaths().size();
        note.informativeText = makeString(QStringLiteral("%@ has finished converting the file %@%@."), appName(),
                                          fileName, parts > 1 ? QStringLiteral(" in %1 parts").arg(parts) : QString());
        note.actionButtonTitle = QStringLiteral("Show");
        note.userInfo.insert(QStringLiteral("path"), job.outputPath());
    }
    notifier->deliver(note);
}

} // namespace

void afterJob(ConversionJob *job, JobEnd end, bool sourceInUse, const std::function<void()> &startNext)
{
    if (end == JobEnd::Failed && contains(job->jobOutput(), QStringLiteral("No space left on device")))
        alert(kConversionFailedTitle, kFullDiskMessage, QStringLiteral("OK"));
    if (end == JobEnd::Finished)
        disposeAfterJob(job, sourceInUse);
    startNext();
    notifyJobEnd(*job, end);
}

} // namespace tavrel
