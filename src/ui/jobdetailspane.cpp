// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/jobdetailspane.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "conversion/conversionjob.h"

namespace tavrel {

namespace {

QLabel *selectableLabel(QWidget *parent, const QString &objectName)
{
    auto *label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setWordWrap(true);
    return label;
}

} // namespace

JobDetailsPane::JobDetailsPane(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("jobDetails"));
    setFrameShape(QFrame::StyledPanel);

    m_placeholder = new QLabel(QStringLiteral("Select a job to see its details."), this);
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setForegroundRole(QPalette::PlaceholderText);

    m_fields = new QWidget(this);
    auto *form = new QFormLayout(m_fields);
    form->setContentsMargins(0, 0, 0, 0);
    m_source = selectableLabel(m_fields, QStringLiteral("detailsSource"));
    m_output = selectableLabel(m_fields, QStringLiteral("detailsOutput"));
    m_information = selectableLabel(m_fields, QStringLiteral("detailsInformation"));
    m_status = selectableLabel(m_fields, QStringLiteral("detailsStatus"));
    form->addRow(QStringLiteral("Source:"), m_source);
    form->addRow(QStringLiteral("Output:"), m_output);
    form->addRow(QStringLiteral("Streams:"), m_information);
    form->addRow(m_status); // the status line names itself ("Status: …")

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->addWidget(m_placeholder);
    layout->addWidget(m_fields);
    layout->addStretch(1);
    refresh();
}

void JobDetailsPane::setJob(ConversionJob *job)
{
    if (job == m_job)
        return;
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_job = job;
    if (job) {
        m_connections = {
            connect(job, &ConversionJob::stateInfoStringChanged, this, &JobDetailsPane::refresh),
            connect(job, &QObject::destroyed, this, &JobDetailsPane::refresh),
        };
    }
    refresh();
}

void JobDetailsPane::refresh()
{
    const auto info = m_job ? m_job->fileInfo() : nullptr;
    m_placeholder->setVisible(!info);
    m_fields->setVisible(info != nullptr);
    if (!info)
        return;
    m_source->setText(info->fileURL.toLocalFile());
    m_output->setText(m_job->outputPaths().join(u'\n'));
    m_information->setText(info->conversionNotes.isEmpty()
                               ? info->informationString
                               : info->informationString + u'\n' + info->conversionNotes.join(u'\n'));
    m_status->setText(m_job->stateInfoString());
}

} // namespace tavrel
