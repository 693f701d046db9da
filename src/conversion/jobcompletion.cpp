// SPDX-License-Identifier: GPL-3.0-or-later
// Following a running job (progress file, console output) and handling its end.
#include "conversion/conversionjob.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QProcess>
#include <QtConcurrent/QtConcurrentRun>

#include "conversion/failureexplanation.h"
#include "conversion/outputcheck.h"
#include "conversion/outputfile.h"
#include "conversion/progressmonitor.h"
#include "inspection/runastask.h"
#include "inspection/streamreport.h"
#include "support/alerts.h"
#include "support/log.h"
#include "support/ossorylib.h"
#include "support/strings.h"

namespace tavrel {

void ConversionJob::progressTimer()
{
    const ProgressFileRead read = readProgressFile(m_progressFile, m_lastFileSize);
    if (!read.opened) {
        m_lastFileSize = 0;
        return;
    }
    m_lastFileSize = read.offset;
    const std::optional<qint64> runtime = m_fileInfo ? m_fileInfo->runtimeSeconds : std::nullopt;
    if (const auto value = progressFromText(QString::fromUtf8(read.text), runtime))
        setProgress(*value);
}

void ConversionJob::outputReceived()
{
    if (!m_task)
        return;
    const QByteArray data = m_task->readAll();
    if (data.isEmpty())
        return;
    const QString text = m_outputDecoder.decode(data);
    m_jobOutput += keptOutput(text);
    m_log += keptOutputLines(text);
    Q_EMIT jobOutputChanged();
}

void ConversionJob::addNote(const QString &text, NoteTarget target)
{
    // Ends a line ffmpeg may have left open, so the note stands on its own in the log.
    const QString line = appName() + QStringLiteral(": ") + text + u'\n';
    if (!m_log.isEmpty() && !m_log.endsWith(u'\n'))
        m_log += u'\n';
    m_log += line;
    // The output is ffmpeg's words, which the failure explanation and the report quote.
    if (target == NoteTarget::LogAndOutput)
        m_jobOutput += line;
    Q_EMIT jobOutputChanged();
}

void ConversionJob::launchFailed(const QString &reason)
{
    failBeforeLaunch(QStringLiteral("Could not start ffmpeg: ") + reason);
}

void ConversionJob::failBeforeLaunch(const QString &reason)
{
    // ffmpeg never ran: end as a failed conversion whose output says why.
    m_jobOutput += reason;
    m_log += reason + QLatin1Char('\n');
    conversionFinished(-1, false);
}

void ConversionJob::conversionFinished(int exitCode, bool crashed)
{
    releaseSleepAssertion();
    stopTimer();
    if (m_task) {
        QString rest = m_outputDecoder.decode(m_task->readAll());
        rest += m_outputDecoder.decode(QByteArray());
        m_jobOutput += rest; // the last of it unfiltered, a cut-off sequence flushed
        m_log += rest;
    }
    Q_EMIT jobOutputChanged();
    asl_NSLog_debug(QStringLiteral("conversionFinished %@"), m_jobOutput);
    if (crashed || exitCode != 0 || !m_fileInfo) {
        endConversion(false);
        return;
    }
    detachChild(false);
    checkOutput();
}

void ConversionJob::checkOutput()
{
    // The probe runs off the main thread, like a scan; the job stays Converting until it is done,
    // so the next job waits. A job removed meanwhile takes the watcher with it.
    auto *watcher = new QFutureWatcher<OutputVerdict>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (m_removed)
            return; // the list no longer holds this job; nothing is announced for it
        const OutputVerdict verdict = watcher->result();
        if (verdict.note)
            addNote(*verdict.note);
        std::optional<QString> problem = verdict.problem;
        if (!problem)
            problem = publish();
        if (problem) {
            m_outputProblem = *problem;
            addNote(*problem, NoteTarget::LogAndOutput);
        }
        endConversion(!problem);
    });
    watcher->setFuture(QtConcurrent::run(checkOutputFile, m_partialOutput, m_expectedOutput));
}

std::optional<QString> ConversionJob::publish()
{
    const QString destination = m_fileInfo->destinationURL.toLocalFile();
    const FileOutcome published = publishOutput(m_partialOutput, destination, [](const QString &) { return false; });
    if (published.path.isEmpty())
        return published.error;
    m_partialOutput.clear();
    m_partialLock.release();
    Q_EMIT partialOutputChanged();
    if (published.path != destination) {
        addNote(QStringLiteral("“%1” was taken meanwhile; the movie was saved as “%2”.")
                    .arg(QFileInfo(destination).fileName(), QFileInfo(published.path).fileName()));
        m_fileInfo->destinationURL = QUrl::fromLocalFile(published.path);
    }
    return std::nullopt;
}

void ConversionJob::endConversion(bool succeeded)
{
    m_subtitleCopy.reset(); // ffmpeg has done with it
    if (!succeeded) {
        deletePartialOutput();
        m_finishedError = true;
        setState(Failed);
        if (contains(m_jobOutput, QStringLiteral("No space left on device")))
            alert(kConversionFailedTitle, kFullDiskMessage, QStringLiteral("OK"));
    } else {
        m_finishedOK = true;
        setState(Finished);
    }
    detachChild(false);
    m_stopDate = QDateTime::currentDateTime();
    setProgress(100.0f);
    // AutoClean, AutoRemove, the next job, the notification and the quit are the queue's.
    if (m_host)
        m_host->jobEnded(this, succeeded ? JobEnd::Finished : JobEnd::Failed);
}

} // namespace tavrel
