// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/jobactions.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

#include "conversion/conversionjob.h"
#include "platform/api/services.h"

namespace tavrel {

JobFacts jobFacts(const ConversionJob &job)
{
    JobFacts facts;
    facts.state = job.state();
    facts.hasLog = !job.arguments().isEmpty();
    const QString output = job.outputPath();
    facts.hasOutputPath = !output.isEmpty();
    facts.outputExists = facts.hasOutputPath && QFileInfo::exists(output);
    facts.sourceExists = QFileInfo::exists(job.request().source);
    return facts;
}

QList<JobAction> applicableJobActions(const JobFacts &facts)
{
    QList<JobAction> actions;
    if (facts.state == Converting)
        actions << JobAction::Pause;
    if (facts.state == Queued || facts.state == Paused)
        actions << JobAction::Continue;
    if (facts.outputExists)
        actions << JobAction::ShowInFileManager;
    if (facts.sourceExists)
        actions << JobAction::ShowSource;
    if (facts.state == Failed)
        actions << JobAction::ExplainFailure;
    if (facts.hasLog)
        actions << JobAction::ShowLog;
    if (facts.hasOutputPath)
        actions << JobAction::CopyOutputPath;
    actions << JobAction::Remove;
    return actions;
}

std::optional<JobAction> naturalJobAction(const JobFacts &facts)
{
    if (facts.state == Finished && facts.outputExists)
        return JobAction::ShowInFileManager;
    if (facts.state == Failed)
        return JobAction::ExplainFailure;
    return std::nullopt;
}

QString jobActionTitle(JobAction action)
{
    switch (action) {
    case JobAction::Pause:
        return QStringLiteral("Pause");
    case JobAction::Continue:
        return QStringLiteral("Continue");
    case JobAction::ShowInFileManager:
        return QStringLiteral("Show in File Manager");
    case JobAction::ShowSource:
        return QStringLiteral("Show Source");
    case JobAction::ExplainFailure:
        return QStringLiteral("Explain Failure");
    case JobAction::ShowLog:
        return QStringLiteral("Show Log");
    case JobAction::CopyOutputPath:
        return QStringLiteral("Copy Output Path");
    case JobAction::Remove:
        return QStringLiteral("Remove");
    }
    return {};
}

QString jobActionIconName(JobAction action)
{
    switch (action) {
    case JobAction::Pause:
        return QStringLiteral("media-playback-pause");
    case JobAction::Continue:
        return QStringLiteral("media-playback-start");
    case JobAction::ShowInFileManager:
        return QStringLiteral("system-file-manager");
    case JobAction::ShowSource:
        return QStringLiteral("folder-open");
    case JobAction::ExplainFailure:
        return QStringLiteral("dialog-information");
    case JobAction::ShowLog:
        return QStringLiteral("text-x-generic");
    case JobAction::CopyOutputPath:
        return QStringLiteral("edit-copy");
    case JobAction::Remove:
        return QStringLiteral("list-remove");
    }
    return {};
}

QString removalQuestion(qsizetype jobs, qsizetype running)
{
    if (running <= 0)
        return {};
    const QString what = jobs == 1 ? QStringLiteral("this job") : QStringLiteral("these %1 jobs").arg(jobs);
    const QString which = running == 1 && jobs == 1 ? QStringLiteral("Its conversion stops")
        : running == 1                              ? QStringLiteral("The conversion of one of them stops")
                                                    : QStringLiteral("The conversions of %1 of them stop").arg(running);
    return QStringLiteral("Remove %1 from the list? %2 and the unfinished output is deleted; the movies are kept.")
        .arg(what, which);
}

void performJobAction(ConversionJob *job, JobAction action)
{
    if (!job)
        return;
    platform::Workspace *workspace = platform::services().workspace;
    switch (action) {
    case JobAction::Pause:
        job->pause();
        break;
    case JobAction::Continue:
        job->continueJob();
        break;
    case JobAction::ShowInFileManager:
        if (workspace)
            workspace->revealFiles(job->outputPaths());
        break;
    case JobAction::ShowSource:
        if (workspace)
            workspace->revealFiles({job->request().source});
        break;
    case JobAction::ExplainFailure:
        job->reveal(); // a failed job's reveal is its explanation
        break;
    case JobAction::CopyOutputPath:
        QGuiApplication::clipboard()->setText(job->outputPath());
        break;
    case JobAction::Remove:
        job->remove();
        break;
    case JobAction::ShowLog:
        break;
    }
}

} // namespace tavrel
