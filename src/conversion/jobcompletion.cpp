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
#include "conversion/outputparts.h"
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
    const std::optional<qint64> runtime = fileInfo() ? fileInfo()->runtimeSeconds : std::nullopt;
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
    if (crashed || exitCode != 0 || !fileInfo()) {
        endConversion(false);
        return;
    }
    detachChild(false);
    checkOutput();
}

namespace {

struct CheckedOutput
{
    QStringList files;
    QList<OutputVerdict> verdicts; // one a file
    QString problem;               // a part that could not be brought under its limit
};

// Blocks: runs the tools. Each part is checked as a movie of its own; every part larger than
// `limit` is cut in two at a keyframe, again and again, so no part over the limit is published.
CheckedOutput checkParts(QStringList parts, quint64 limit, ExpectedOutput expected)
{
    expected.runtimeSeconds.reset();
    CheckedOutput result;
    if (parts.isEmpty())
        result.problem = QStringLiteral("ffmpeg wrote no part of the movie.");
    for (qsizetype i = 0; i < parts.size() && result.problem.isEmpty();) {
        const QString part = parts.at(i);
        const OutputVerdict verdict = checkOutputFile(part, expected);
        if (quint64(QFileInfo(part).size()) <= limit) {
            result.files.append(part);
            result.verdicts.append(verdict);
            ++i;
            continue;
        }
        const QString stem = part.chopped(4);
        const double middle = double(verdict.runtimeSeconds.value_or(0)) / 2.0;
        const QString first = stem + QStringLiteral("-1.mp4");
        const QString second = stem + QStringLiteral("-2.mp4");
        QStringList recut{toolPath(QStringLiteral("ffmpeg"))};
        recut << recutArguments(part, middle, partialPartPattern(part));
        if (middle < 1.0 || runTask(recut).exitStatus != 0 || !QFileInfo(second).isFile()) {
            QFile::remove(first);
            QFile::remove(second);
            result.problem = QStringLiteral("A part of the movie came out larger than %1 bytes and could not be cut "
                                            "in two.")
                                 .arg(limit);
            break;
        }
        QFile::remove(part);
        parts.replace(i, second);
        parts.insert(i, first);
    }
    return result;
}

} // namespace

void ConversionJob::checkOutput()
{
    // The check runs off the main thread, like a scan; the job stays Converting until it is done,
    // so the next job waits. A job removed meanwhile takes the watcher with it.
    const QString output = m_partialOutput;
    const std::optional<quint64> partSize = m_request.output.partSize;
    const ExpectedOutput expected = m_expectedOutput;
    auto *watcher = new QFutureWatcher<CheckedOutput>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, partSize] {
        watcher->deleteLater();
        if (m_removed)
            return; // the list no longer holds this job; nothing is announced for it
        const CheckedOutput checked = watcher->result();
        std::optional<QString> problem;
        if (!checked.problem.isEmpty())
            problem = checked.problem;
        StreamReport whole; // the parts' running time together
        whole.runtimeSeconds = 0;
        for (const OutputVerdict &verdict : checked.verdicts) {
            if (verdict.note)
                addNote(*verdict.note);
            if (!problem)
                problem = verdict.problem;
            *whole.runtimeSeconds += verdict.runtimeSeconds.value_or(0);
        }
        if (!problem && partSize) {
            ExpectedOutput length;
            length.runtimeSeconds = m_expectedOutput.runtimeSeconds;
            problem = tavrel::outputProblem(length, whole);
        }
        if (!problem)
            problem = publish(partSize ? checked.files : QStringList());
        if (problem) {
            m_outputProblem = *problem;
            addNote(*problem, NoteTarget::LogAndOutput);
        }
        endConversion(!problem);
    });
    watcher->setFuture(QtConcurrent::run([output, partSize, expected] {
        if (partSize)
            return checkParts(partialParts(output), *partSize, expected);
        return CheckedOutput{{output}, {checkOutputFile(output, expected)}, QString()};
    }));
}

std::optional<QString> ConversionJob::publish(const QStringList &parts)
{
    const QString destination = m_request.output.path;
    const auto taken = [](const QString &) { return false; };
    if (!parts.isEmpty()) {
        const PartsOutcome published = publishParts(parts, destination, taken);
        if (published.paths.isEmpty())
            return published.error;
        m_publishedParts = published.paths;
        QStringList names;
        for (const QString &path : published.paths)
            names.append(QFileInfo(path).fileName());
        addNote(QStringLiteral("the movie was saved in %1 parts: %2.")
                    .arg(published.paths.size())
                    .arg(names.join(QStringLiteral(", "))));
        deletePartialOutput();
        return std::nullopt;
    }
    const FileOutcome published = publishOutput(m_partialOutput, destination, taken);
    if (published.path.isEmpty())
        return published.error;
    m_partialOutput.clear();
    m_partialLock.release();
    Q_EMIT partialOutputChanged();
    if (published.path != destination) {
        addNote(QStringLiteral("“%1” was taken meanwhile; the movie was saved as “%2”.")
                    .arg(QFileInfo(destination).fileName(), QFileInfo(published.path).fileName()));
        m_request.output.path = published.path;
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
    } else {
        m_finishedOK = true;
        setState(Finished);
    }
    detachChild(false);
    m_stopDate = QDateTime::currentDateTime();
    setProgress(100.0f);
    // AutoClean, AutoRemove, the next job, the notification and the quit are the queue's.
    Q_EMIT ended(succeeded ? JobEnd::Finished : JobEnd::Failed);
}

} // namespace tavrel
