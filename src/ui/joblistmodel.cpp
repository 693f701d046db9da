#include "ui/joblistmodel.h"

#include "conversion/conversionjob.h"

namespace tavrel {

JobListModel::JobListModel(std::function<QList<ConversionJob *>()> source, QObject *parent)
    : QAbstractListModel(parent), m_source(std::move(source))
{
    sync();
}

JobListModel::~JobListModel()
{
    for (ConversionJob *job : std::as_const(m_rows))
        unwatch(job);
}

int JobListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

ConversionJob *JobListModel::jobAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : nullptr;
}

int JobListModel::rowOf(const ConversionJob *job) const
{
    return int(m_rows.indexOf(job));
}

QVariant JobListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ConversionJob *job = m_rows.at(index.row());
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

void JobListModel::sync()
{
    const QList<ConversionJob *> next = m_source ? m_source() : QList<ConversionJob *>();

    // Rows whose job left the list, from the back so the row numbers stay valid.
    for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
        if (next.contains(m_rows.at(row)))
            continue;
        beginRemoveRows({}, row, row);
        unwatch(m_rows.takeAt(row));
        endRemoveRows();
    }

    // What is left is now a subsequence of next unless the list was reordered.
    for (int row = 0; row < next.size(); ++row) {
        ConversionJob *job = next.at(row);
        if (row < m_rows.size() && m_rows.at(row) == job)
            continue;
        if (m_rows.contains(job)) {
            beginResetModel();
            for (ConversionJob *old : std::as_const(m_rows))
                unwatch(old);
            m_rows = next;
            for (ConversionJob *fresh : std::as_const(m_rows))
                watch(fresh);
            endResetModel();
            return;
        }
        beginInsertRows({}, row, row);
        m_rows.insert(row, job);
        watch(job);
        endInsertRows();
    }
}

void JobListModel::watch(ConversionJob *job)
{
    auto changed = [this, job] { jobChanged(job); };
    m_connections.insert(job, {
        connect(job, &ConversionJob::stateChanged, this, changed),
        connect(job, &ConversionJob::progressChanged, this, changed),
        connect(job, &ConversionJob::stateInfoStringChanged, this, changed),
        connect(job, &ConversionJob::logRequested, this, [this, job] { Q_EMIT logRequested(job); }),
        connect(job, &QObject::destroyed, this, &JobListModel::jobDestroyed),
    });
}

void JobListModel::unwatch(ConversionJob *job)
{
    const auto connections = m_connections.take(job);
    for (const auto &c : connections)
        disconnect(c);
}

int JobListModel::rowOfObject(const QObject *job) const
{
    for (int row = 0; row < m_rows.size(); ++row)
        if (static_cast<const QObject *>(m_rows.at(row)) == job)
            return row;
    return -1;
}

void JobListModel::jobChanged(QObject *job)
{
    const int row = rowOfObject(job);
    if (row < 0)
        return;
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at);
}

// A job deleted before the controller's list announced its removal must not stay as a
// dangling row.
void JobListModel::jobDestroyed(QObject *job)
{
    const int row = rowOfObject(job);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_connections.remove(job);
    m_rows.removeAt(row);
    endRemoveRows();
}

} // namespace tavrel
