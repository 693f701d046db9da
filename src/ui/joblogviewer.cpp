// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/joblogviewer.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QVBoxLayout>

#include "conversion/conversionjob.h"
#include "ui/images.h"

namespace tavrel {

QString shellQuoted(const QString &argument)
{
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (safe.match(argument).hasMatch())
        return argument;
    QString quoted = argument;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString jobLogText(const QString &program, const QStringList &arguments, const QString &output)
{
    if (program.isEmpty() && arguments.isEmpty())
        return output;
    QStringList words{shellQuoted(program.isEmpty() ? QStringLiteral("ffmpeg") : program)};
    for (const QString &argument : arguments)
        words << shellQuoted(argument);
    return QStringLiteral("$ ") + words.join(QLatin1Char(' ')) + QStringLiteral("\n\n") + output;
}

JobLogViewer::JobLogViewer(ConversionJob *job, QWidget *parent) : QDialog(parent), m_job(job)
{
    setObjectName(QStringLiteral("jobLogViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QString name = job && job->fileInfo() ? job->fileInfo()->fileName : QString();
    setWindowTitle(QStringLiteral("Log of %1").arg(name));

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("logText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth); // the long command line stays in sight
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_copy = buttons->addButton(QStringLiteral("Copy All"), QDialogButtonBox::ActionRole);
    m_copy->setObjectName(QStringLiteral("copyLogButton"));
    m_copy->setIcon(themedIcon(QStringLiteral("edit-copy"), QString()));
    connect(m_copy, &QPushButton::clicked, this, [this] { QGuiApplication::clipboard()->setText(text()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(760, 480);

    if (job)
        connect(job, &ConversionJob::jobOutputChanged, this, &JobLogViewer::refresh);
    refresh();
}

QString JobLogViewer::text() const
{
    return m_text->toPlainText();
}

void JobLogViewer::refresh()
{
    // A removed job's log stays on show as it was.
    if (!m_job)
        return;
    QScrollBar *bar = m_text->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const int position = bar->value();
    m_text->setPlainText(jobLogText(m_job->program(), m_job->arguments(), m_job->log()));
    // Follows new output unless the reader scrolled back.
    bar->setValue(atEnd ? bar->maximum() : position);
}

} // namespace tavrel
