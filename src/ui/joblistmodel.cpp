// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/joblistmodel.h"

#include "conversion/conversionjob.h"

namespace tavrel {

JobListModel::JobListModel(const QList<ConversionJob *> &jobs, QObject *parent)
    : QAbstractListModel(parent), m_jobs(&jobs)
{
    for (ConversionJob *job : jobs)
        watch(job);
    m_rowCount = int(jobs.size());
    rememberShownOrder();
}

const QList<ConversionJob *> &JobListModel::jobs() const
{
    static const QList<ConversionJob *> none;
    return m_jobs ? *m_jobs : none;
}

int JobListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

ConversionJob *JobListModel::jobAt(int row) const
{
    // The list may already be shorter than the rows shown until sync() tells the views.
    return row >= 0 && row < m_rowCount && row < jobs().size() ? jobs().at(row) : nullptr;
}

int JobListModel::rowOf(const ConversionJob *job) const
{
    const int row = int(jobs().indexOf(job));
    return row < m_rowCount ? row : -1;
}

QVariant JobListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ConversionJob *job = jobAt(index.row());
    if (!job)
        return {};
    const auto &info = job->fileInfo();
    switch (role) {
    case Qt::DisplayRole:
        return info ? info->fileName : QString();
    case Qt::ToolTipRole:
    case InformationRole:
        return info ? info->informationString : QString();
    case Qt::AccessibleDescriptionRole:
    case StateInfoRole:
        return job->stateInfoString();
    case JobRole:
        return QVariant::fromValue(static_cast<QObject *>(const_cast<ConversionJob *>(job)));
    case StateRole:
        return job->state();
    case ProgressRole:
        return job->progress();
    default:
        return {};
    }
}

QHash<int, QByteArray> JobListModel::roleNames() const
{
    auto names = QAbstractListModel::roleNames();
    names.insert(JobRole, "job");
    names.insert(StateRole, "state");
    names.insert(ProgressRole, "progress");
    names.insert(StateInfoRole, "stateInfoString");
    names.insert(InformationRole, "informationString");
    return names;
}

// The list has not changed yet: the views still read the rows as they were.
void JobListModel::beginInsert(int row)
{
    beginInsertRows({}, row, row);
}

void JobListModel::endInsert(int row)
{
    ++m_rowCount;
    if (ConversionJob *job = jobAt(row))
        watch(job);
    rememberShownOrder();
    endInsertRows();
}

void JobListModel::beginRemove(int row)
{
    if (ConversionJob *job = jobAt(row))
        disconnect(job, nullptr, this, nullptr);
    beginRemoveRows({}, row, row);
}

void JobListModel::endRemove()
{
    --m_rowCount;
    rememberShownOrder();
    endRemoveRows();
}

void JobListModel::sync()
{
    if (jobs().size() == m_rowCount && qHash(jobs()) == m_shownOrder)
        return;
    // Jobs that left unannounced keep their connections until they are deleted; rowOf() finds
    // no row for them, so they reach nothing.
    beginResetModel();
    for (ConversionJob *job : jobs())
        watch(job);
    m_rowCount = int(jobs().size());
    rememberShownOrder();
    endResetModel();
}

// The controller's members, its list among them, are gone by the time it is destroyed().
void JobListModel::controllerDestroyed()
{
    m_jobs = nullptr;
    sync();
}

void JobListModel::watch(ConversionJob *job)
{
    disconnect(job, nullptr, this, nullptr); // a job listed again is watched once
    auto changed = [this, job] { jobChanged(job); };
    connect(job, &ConversionJob::stateChanged, this, changed);
    connect(job, &ConversionJob::progressChanged, this, changed);
    connect(job, &ConversionJob::stateInfoStringChanged, this, changed);
    connect(job, &ConversionJob::logRequested, this, [this, job] {
        if (rowOf(job) >= 0)
            Q_EMIT logRequested(job);
    });
    // A job deleted while it still has a row means the list changed without a word.
    connect(job, &QObject::destroyed, this, &JobListModel::sync);
}

void JobListModel::jobChanged(const ConversionJob *job)
{
    const int row = rowOf(job);
    if (row < 0)
        return;
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at);
}

void JobListModel::rememberShownOrder()
{
    m_shownOrder = qHash(jobs());
}

} // namespace tavrel
