// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window does with the jobs of its list: the context menu, the natural action,
// removing several at once and the log windows.
#include <QAction>
#include <QMenu>

#include "app/appdelegate.h"
#include "support/alerts.h"
#include "support/ossorylib.h"
#include "ui/images.h"
#include "ui/jobactions.h"
#include "ui/jobdetailspane.h"
#include "ui/joblistview.h"
#include "ui/joblogviewer.h"
#include "ui/mainwindow.h"
#include "ui/windowstate.h"

namespace tavrel {

namespace {

// Groups of the context menu, separated by lines.
int menuGroup(JobAction action)
{
    switch (action) {
    case JobAction::Pause:
    case JobAction::Continue:
        return 0;
    case JobAction::ShowInFileManager:
    case JobAction::ShowSource:
        return 1;
    case JobAction::ExplainFailure:
    case JobAction::ShowLog:
        return 2;
    case JobAction::CopyOutputPath:
        return 3;
    case JobAction::Remove:
        return 4;
    }
    return 4;
}

} // namespace

QMenu *MainWindow::createJobMenu(ConversionJob *job, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("jobMenu"));
    if (!job)
        return menu;
    QPointer<ConversionJob> target = job;
    int group = -1;
    for (const JobAction action : applicableJobActions(jobFacts(*job))) {
        if (group >= 0 && menuGroup(action) != group)
            menu->addSeparator();
        group = menuGroup(action);
        QAction *item = menu->addAction(themedIcon(jobActionIconName(action), QString()), jobActionTitle(action));
        item->setData(int(action));
        // Run after the menu has closed: an action may remove the job or open a modal alert.
        connect(item, &QAction::triggered, this, [this, target, action] {
            QMetaObject::invokeMethod(
                this,
                [this, target, action] {
                    if (!target)
                        return;
                    if (action == JobAction::ShowLog)
                        showLog(target);
                    else if (action == JobAction::Remove)
                        removeJobs({target.data()});
                    else
                        performJobAction(target, action);
                },
                Qt::QueuedConnection);
        });
    }
    return menu;
}

void MainWindow::showJobMenu(ConversionJob *job, const QPoint &globalPosition)
{
    QMenu *menu = createJobMenu(job, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

void MainWindow::runNaturalAction(ConversionJob *job)
{
    if (!job)
        return;
    if (const std::optional<JobAction> action = naturalJobAction(jobFacts(*job))) {
        QPointer<ConversionJob> target = job;
        QMetaObject::invokeMethod(
            this, [target, action] { performJobAction(target, *action); }, Qt::QueuedConnection);
    }
}

JobLogViewer *MainWindow::showLog(ConversionJob *job)
{
    if (!job)
        return nullptr;
    m_logViewers.removeAll(nullptr);
    JobLogViewer *viewer = nullptr;
    for (const QPointer<JobLogViewer> &open : std::as_const(m_logViewers))
        if (open->job() == job)
            viewer = open;
    if (!viewer) {
        viewer = new JobLogViewer(job, this);
        m_logViewers.append(viewer);
        centerOver(viewer, this);
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

bool MainWindow::removeJobs(const QList<ConversionJob *> &jobs)
{
    QList<QPointer<ConversionJob>> idle, running;
    for (ConversionJob *job : jobs) {
        if (!job || !m_delegate->taskArray().contains(job))
            continue;
        if (job->state() == Converting || job->state() == Paused)
            running.append(job);
        else
            idle.append(job);
    }
    const QString question = removalQuestion(idle.size() + running.size(), running.size());
    if (!question.isEmpty() && alert(appName(), question, QStringLiteral("Remove"), QStringLiteral("Cancel")) != 1)
        return false;
    // The others first: removing a running job starts the next one, which must not be one of
    // those about to go.
    for (const QList<QPointer<ConversionJob>> *group : {&idle, &running})
        for (const QPointer<ConversionJob> &job : *group)
            if (job && m_delegate->taskArray().contains(job.data()))
                job->remove();
    return true;
}

void MainWindow::updateSelectionActions()
{
    const qsizetype selected = m_jobList->selectedJobs().size();
    m_removeJobAction->setEnabled(selected > 0);
    m_removeJobAction->setText(selected > 1 ? QStringLiteral("Remove %1 Jobs").arg(selected)
                                            : QStringLiteral("Remove Job"));
    // The details follow the row with the focus, or the only one selected.
    ConversionJob *shown = m_jobList->currentJob();
    if (!shown && selected == 1)
        shown = m_jobList->selectedJobs().constFirst();
    m_details->setJob(shown);
}

} // namespace tavrel
