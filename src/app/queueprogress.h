// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The progress of the queue as a whole, for the desktop's launcher entry: how much of the batch
// of jobs in the list has been converted, shown only while a job converts.
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include "conversion/jobstate.h"

namespace tavrel {

class AppDelegate;
class ConversionJob;

// One job of a batch: its state and progress in per cent (not clamped, as jobs keep it).
struct JobProgressSample
{
    qint32 state = Queued;
    double progress = 0.0;
};

// The batch's share converted, 0 to 1: ended jobs count whole, queued ones as nothing.
double batchFraction(const QList<JobProgressSample> &batch);

// A batch is every job that waited or converted since the queue last had nothing left to do; it
// keeps the jobs that ended even once they leave the list (AutoClean, Clean), so the value does
// not fall back when a finished job goes. Jobs removed before they ended leave the batch.
class QueueProgress final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double fraction READ fraction NOTIFY changed)
    Q_PROPERTY(bool visible READ visible NOTIFY changed)

public:
    explicit QueueProgress(AppDelegate *delegate, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(QueueProgress)

    double fraction() const { return m_fraction; }
    bool visible() const { return m_visible; } // a job converts

Q_SIGNALS:
    void changed();

private:
    struct Entry
    {
        QPointer<ConversionJob> job;
        JobProgressSample last;
    };

    void refresh();
    void watchJobs();

    AppDelegate *m_delegate;
    QList<Entry> m_batch;
    QList<QMetaObject::Connection> m_jobConnections;
    double m_fraction = 0.0;
    bool m_visible = false;
};

} // namespace tavrel
