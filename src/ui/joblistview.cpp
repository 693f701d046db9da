// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/joblistview.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

#include <algorithm>

#include "conversion/conversionjob.h"
#include "ui/joblistaccessibility.h"
#include "ui/joblistmodel.h"

namespace tavrel {

JobListView::JobListView(QWidget *parent) : QListView(parent)
{
    installJobListAccessibility();
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

ConversionJob *JobListView::jobAt(const QModelIndex &index) const
{
    return qobject_cast<ConversionJob *>(index.data(JobListModel::JobRole).value<QObject *>());
}

ConversionJob *JobListView::currentJob() const
{
    return jobAt(currentIndex());
}

QList<ConversionJob *> JobListView::selectedJobs() const
{
    QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QList<ConversionJob *> jobs;
    for (const QModelIndex &row : std::as_const(rows))
        if (ConversionJob *job = jobAt(row))
            jobs.append(job);
    return jobs;
}

void JobListView::keyPressEvent(QKeyEvent *event)
{
    // Plain Space acts like the row's pause/continue button; with Ctrl it still toggles the
    // selection, as in every list.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (ConversionJob *job = currentJob()) {
            Q_EMIT pauseContinueRequested(job);
            event->accept();
            return;
        }
    }
    QListView::keyPressEvent(event);
}

void JobListView::contextMenuEvent(QContextMenuEvent *event)
{
    QModelIndex index;
    QPoint where = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        index = indexAt(event->pos());
        // A right click on a row outside the selection makes it the selection, as file managers do.
        if (index.isValid() && !selectionModel()->isSelected(index))
            setCurrentIndex(index);
    } else {
        index = currentIndex();
        if (index.isValid())
            where = viewport()->mapToGlobal(visualRect(index).center());
    }
    ConversionJob *job = jobAt(index);
    if (!job)
        return;
    event->accept();
    Q_EMIT jobMenuRequested(job, where);
}

} // namespace tavrel
