// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The job list: several rows can be selected; Space pauses or continues the current job, the
// context-menu key or a right click asks for the job's menu. Its rows and their buttons are
// visible to assistive technology by name (see joblistaccessibility.h).
#include <QListView>
#include <QPoint>

namespace tavrel {

class ConversionJob;

class JobListView final : public QListView
{
    Q_OBJECT

public:
    explicit JobListView(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(JobListView)

    ConversionJob *jobAt(const QModelIndex &index) const;
    ConversionJob *currentJob() const;
    // In list order.
    QList<ConversionJob *> selectedJobs() const;

Q_SIGNALS:
    void jobMenuRequested(tavrel::ConversionJob *job, const QPoint &globalPosition);
    void pauseContinueRequested(tavrel::ConversionJob *job);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
};

} // namespace tavrel
