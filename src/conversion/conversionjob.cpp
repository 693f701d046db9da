// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/conversionjob.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include "conversion/failureexplanation.h"
#include "conversion/outputfile.h"
#include "conversion/statusline.h"
#include "platform/api/childsignals.h"
#include "platform/api/services.h"
#include "support/log.h"
#include "support/ossorylib.h"

namespace tavrel {

ConversionJob::ConversionJob(JobHost *host, ConversionRequest request, QObject *parent)
    : QObject(parent), m_host(host), m_request(std::move(request))
{
}

ConversionJob::~ConversionJob()
{
    // Normally the child is gone by now (remove or termination); never leave one running.
    detachChild(true);
}

void ConversionJob::setProgress(float progress)
{
    m_progress = progress;
    Q_EMIT progressChanged();
    Q_EMIT stateInfoStringChanged();
}

void ConversionJob::setState(qint32 state)
{
    m_state = state;
    Q_EMIT stateChanged();
    Q_EMIT stateInfoStringChanged();
}

QString ConversionJob::stateInfoString() const
{
    const QDateTime now = QDateTime::currentDateTime();
    const double elapsed = m_startDate.isValid() ? double(m_startDate.msecsTo(now)) / 1000.0 : 0.0;
    // Finished is set just before the stop date; until then the time taken runs to now.
    const QDateTime stop = m_stopDate.isValid() ? m_stopDate : now;
    const double took = m_startDate.isValid() ? double(m_startDate.msecsTo(stop)) / 1000.0 : 0.0;
    const QList<AudioTrackFacts> tracks = fileInfo() ? fileInfo()->audioTracks : QList<AudioTrackFacts>();
    return tavrel::stateInfoString(m_state, tracks, m_request.audioStreamId, m_progress, elapsed, took);
}

ConversionSettings ConversionJob::currentSettings() const
{
    return m_request.options.appliedTo(m_host ? m_host->conversionSettings() : ConversionSettings());
}

qint64 ConversionJob::processId() const
{
    return m_task ? m_task->processId() : 0;
}

void ConversionJob::takeSleepAssertion()
{
    m_sleepAssertion.reset();
    if (auto *inhibitor = platform::services().sleepInhibitor)
        m_sleepAssertion = inhibitor->acquire(QStringLiteral("Converting MKV file."));
}

void ConversionJob::releaseSleepAssertion()
{
    m_sleepAssertion.reset();
}

void ConversionJob::scheduleTimer()
{
    stopTimer();
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &ConversionJob::progressTimer);
    m_timer->start();
}

void ConversionJob::stopTimer()
{
    delete m_timer;
    m_timer = nullptr;
}

QString ConversionJob::documentsFolder() const
{
    if (OssoryLib *lib = OssoryLib::shared())
        return lib->docDir();
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString ConversionJob::progressFolder() const
{
    const QString documents = documentsFolder();
    const QFileInfo folder(documents);
    if (folder.isDir() && folder.isWritable())
        return documents;
    // A read-only or missing Documents folder must not fail every conversion.
    for (const auto location : {QStandardPaths::RuntimeLocation, QStandardPaths::CacheLocation}) {
        const QString candidate = QStandardPaths::writableLocation(location);
        if (!candidate.isEmpty() && QDir().mkpath(candidate) && QFileInfo(candidate).isWritable())
            return candidate;
    }
    return QDir::tempPath();
}

void ConversionJob::detachChild(bool terminate)
{
    if (!m_task)
        return;
    QProcess *child = m_task;
    m_task = nullptr;
    disconnect(child, nullptr, this, nullptr);
    if (child->state() == QProcess::NotRunning) {
        child->deleteLater();
        return;
    }
    if (terminate) {
        const qint64 pid = child->processId();
        platform::terminateProcess(pid);
        // A stopped child acts on the signal only once it runs again.
        platform::resumeProcess(pid);
        // One that ignores it is killed; the timer goes with the process object once it ends.
        QTimer::singleShot(2000, child, [child] { child->kill(); });
    }
    // The process object outlives the job until the child has ended and been reaped.
    child->setParent(nullptr);
    connect(child, &QProcess::finished, child, &QObject::deleteLater);
}

void ConversionJob::pause()
{
    asl_NSLog_debug(QStringLiteral("pause %p"), static_cast<const void *>(this));
    if (m_state != Converting || !m_task)
        return;
    stopTimer();
    platform::suspendProcess(m_task->processId());
    setState(Paused);
    releaseSleepAssertion();
}

void ConversionJob::continueJob()
{
    asl_NSLog_debug(QStringLiteral("continue %p"), static_cast<const void *>(this));
    if (m_state == Queued) {
        start();
    } else if (m_state == Paused && m_task) {
        scheduleTimer();
        platform::resumeProcess(m_task->processId());
        setState(Converting);
        takeSleepAssertion();
    } else {
        return;
    }
    Q_EMIT runRequested();
}

void ConversionJob::remove()
{
    asl_NSLog_debug(QStringLiteral("remove %p"), static_cast<const void *>(this));
    if (m_removed)
        return;
    m_removed = true;
    stopTimer();
    detachChild(true); // also stops handling the child's termination
    releaseSleepAssertion();
    deletePartialOutput();
    if (!m_progressFile.isEmpty())
        QFile::remove(m_progressFile);
    m_subtitleCopy.reset();
    if (!m_request.destinationFolder.isEmpty()) {
        if (auto *bookmarks = platform::services().bookmarks)
            bookmarks->stopAccess(m_request.destinationFolder);
    }
    // The queue may delete the job from here on.
    Q_EMIT removed();
}

void ConversionJob::deletePartialOutput()
{
    // Only the hidden file is the job's until it is published; the final name is never removed.
    if (m_partialOutput.isEmpty())
        return;
    for (const QString &part : partialParts(m_partialOutput))
        QFile::remove(part);
    QFile::remove(m_partialOutput);
    m_partialOutput.clear();
    m_partialLock.release();
    Q_EMIT partialOutputChanged();
}

void ConversionJob::reveal()
{
    asl_NSLog_debug(QStringLiteral("%p reveal"), static_cast<const void *>(this));
    if (m_state == Failed) {
        showFailureExplanation();
        return;
    }
    auto *workspace = platform::services().workspace;
    if (!workspace)
        return;
    workspace->revealFiles(workspace->shiftHeld() ? QStringList{m_request.source} : outputPaths());
}

void ConversionJob::showFailureExplanation()
{
    FailureContext context;
    context.jobOutput = m_jobOutput;
    context.arguments = m_arguments;
    context.disableBuiltinSubtitles = currentSettings().disableBuiltinSubtitles;
    context.hasSubtitleTracks = fileInfo() && !fileInfo()->subtitleTrackIDs.isEmpty();
    context.hasSubtitleFile = !m_request.subtitleFile.isEmpty();
    context.outputProblem = m_outputProblem;
    context.offerLog = !m_arguments.isEmpty(); // ffmpeg ran, or was tried
    if (explainFailure(context) == FailureExplanationChoice::ShowLog)
        Q_EMIT logRequested();
}

} // namespace tavrel
