// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What can be done to a job from its row: which actions of the context menu apply in which
// state, which one a double-click or Return runs, and running them.
#include <QList>
#include <QString>

#include <optional>

namespace tavrel {

class ConversionJob;

enum class JobAction {
    Pause,
    Continue,
    ShowInFileManager,
    ShowSource,
    ExplainFailure,
    ShowLog,
    CopyOutputPath,
    Remove,
};

// What the actions depend on, read from a job and its files.
struct JobFacts
{
    qint32 state = 0;
    bool hasLog = false;       // ffmpeg ran (or was tried), so there is output to show
    bool outputExists = false; // the MP4 file is on disk
    bool sourceExists = false;
    bool hasOutputPath = false;
};
JobFacts jobFacts(const ConversionJob &job);

// The actions that apply, in menu order.
QList<JobAction> applicableJobActions(const JobFacts &facts);
// The action of a double-click or Return: a finished job's output, a failed job's explanation.
std::optional<JobAction> naturalJobAction(const JobFacts &facts);

QString jobActionTitle(JobAction action);
QString jobActionIconName(JobAction action); // a freedesktop icon name

// The question asked before removing jobs when some of them convert or are paused (their
// unfinished output is deleted); empty when there is nothing to ask.
QString removalQuestion(qsizetype jobs, qsizetype running);

// Runs an action other than ShowLog (the window opens the log) on the job. The job may be gone
// when this returns (Remove).
void performJobAction(ConversionJob *job, JobAction action);

} // namespace tavrel
