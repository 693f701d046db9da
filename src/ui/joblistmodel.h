#pragma once
// The main window's job list: one row per job of the controller's job list, read straight from
// the jobs. Rows follow the list's changes; a job's own changes refresh only its row.
#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QMetaObject>

#include <functional>

namespace tavrel {

class ConversionJob;

class JobListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        JobRole = Qt::UserRole + 1, // ConversionJob* (as QObject*)
        StateRole,                  // qint32 JobState
        ProgressRole,               // float, per cent
        StateInfoRole,              // the status line
        InformationRole,            // the source's information line
    };

    // source answers the controller's current job list; it is read on every sync().
    explicit JobListModel(std::function<QList<ConversionJob *>()> source, QObject *parent = nullptr);
    ~JobListModel() override;
    Q_DISABLE_COPY_MOVE(JobListModel)

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    ConversionJob *jobAt(int row) const;
    int rowOf(const ConversionJob *job) const;

    // Brings the rows in line with the source: removals and insertions as such, a reset only
    // when the order of the remaining jobs changed.
    void sync();

Q_SIGNALS:
    // A job's failure explanation asked for its log.
    void logRequested(tavrel::ConversionJob *job);

private:
    void watch(ConversionJob *job);
    void unwatch(ConversionJob *job);
    int rowOfObject(const QObject *job) const; // also while the job is being destroyed
    void jobChanged(QObject *job);
    void jobDestroyed(QObject *job);

    std::function<QList<ConversionJob *>()> m_source;
    QList<ConversionJob *> m_rows;
    QHash<const QObject *, QList<QMetaObject::Connection>> m_connections;
};

} // namespace tavrel
