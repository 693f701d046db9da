// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's job list: one row per job of the controller's job list, read straight from
// that list. Rows follow the controller's row signals; a job's own changes refresh only its row.
#include <QAbstractListModel>
#include <QHash>
#include <QList>

#include <type_traits>

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

    // controller: the AppDelegate, or a stand-in with the same taskArray() and list signals.
    // Each jobsAboutToBeInserted/jobsInserted pair adds one job, each jobAboutToBeRemoved/
    // jobRemoved pair removes one; taskArrayChanged catches whatever they did not announce.
    template<typename Controller>
    explicit JobListModel(const Controller *controller, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(JobListModel)

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    ConversionJob *jobAt(int row) const;
    int rowOf(const ConversionJob *job) const;

    // Brings the rows in line with a change of the list that no row signal announced: a reset
    // when the list is not the one the views were last told of, nothing otherwise.
    void sync();

Q_SIGNALS:
    // A job's failure explanation asked for its log.
    void logRequested(tavrel::ConversionJob *job);

private:
    JobListModel(const QList<ConversionJob *> &jobs, QObject *parent);

    const QList<ConversionJob *> &jobs() const;
    void beginInsert(int row);
    void endInsert(int row);
    void beginRemove(int row);
    void endRemove();
    void controllerDestroyed();
    void watch(ConversionJob *job);
    void jobChanged(const ConversionJob *job);
    void rememberShownOrder();

    const QList<ConversionJob *> *m_jobs = nullptr; // the controller's own list; null once it is gone
    // What the views were last told: a row count and a digest of the jobs' order, so a change
    // nobody announced shows up in sync() without keeping a copy of the list.
    int m_rowCount = 0;
    size_t m_shownOrder = 0;
};

template<typename Controller>
JobListModel::JobListModel(const Controller *controller, QObject *parent)
    : JobListModel(controller->taskArray(), parent)
{
    static_assert(std::is_lvalue_reference_v<decltype(controller->taskArray())>,
                  "the model keeps a reference to the controller's own list");
    connect(controller, &Controller::jobsAboutToBeInserted, this, &JobListModel::beginInsert);
    connect(controller, &Controller::jobsInserted, this, &JobListModel::endInsert);
    connect(controller, &Controller::jobAboutToBeRemoved, this, &JobListModel::beginRemove);
    connect(controller, &Controller::jobRemoved, this, &JobListModel::endRemove);
    connect(controller, &Controller::taskArrayChanged, this, &JobListModel::sync);
    connect(controller, &QObject::destroyed, this, &JobListModel::controllerDestroyed);
}

} // namespace tavrel
