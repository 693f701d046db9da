// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A job's log in a window of its own: the ffmpeg command line and the output the job kept,
// read-only, following the job while it converts, with a button that copies all of it.
#include <QDialog>
#include <QPointer>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace tavrel {

class ConversionJob;

// One argument as a POSIX shell reads it back: unchanged when it holds only safe characters,
// otherwise in single quotes.
QString shellQuoted(const QString &argument);
// "$ <program> <arguments>", a blank line and the output; a job that never launched has no
// command line.
QString jobLogText(const QString &program, const QStringList &arguments, const QString &output);

class JobLogViewer final : public QDialog
{
    Q_OBJECT

public:
    explicit JobLogViewer(ConversionJob *job, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(JobLogViewer)

    ConversionJob *job() const { return m_job; }
    QString text() const;
    QPlainTextEdit *textView() const { return m_text; }
    QPushButton *copyButton() const { return m_copy; }

private:
    void refresh();

    QPointer<ConversionJob> m_job;
    QPlainTextEdit *m_text = nullptr;
    QPushButton *m_copy = nullptr;
};

} // namespace tavrel
