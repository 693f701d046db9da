// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Below the job list: the selected job's source and output paths, its information line and its
// status, all selectable so they can be copied.
#include <QFrame>
#include <QPointer>

class QLabel;

namespace tavrel {

class ConversionJob;

class JobDetailsPane final : public QFrame
{
    Q_OBJECT

public:
    explicit JobDetailsPane(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(JobDetailsPane)

    // Null shows that nothing is selected.
    void setJob(ConversionJob *job);
    ConversionJob *job() const { return m_job; }

private:
    void refresh();

    QPointer<ConversionJob> m_job;
    QList<QMetaObject::Connection> m_connections;
    QLabel *m_placeholder = nullptr;
    QWidget *m_fields = nullptr;
    QLabel *m_source = nullptr;
    QLabel *m_output = nullptr;
    QLabel *m_information = nullptr;
    QLabel *m_status = nullptr;
};

} // namespace tavrel
