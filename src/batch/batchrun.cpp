// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batchrun.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include "app/appdelegate.h"
#include "app/fileintake.h"
#include "app/settings.h"
#include "batch/demomode.h"
#include "batch/versionreport.h"
#include "batch/watchfolder.h"
#include "conversion/conversionjob.h"
#include "conversion/failureexplanation.h"
#include "conversion/statusline.h"
#include "platform/api/services.h"
#include "platform/headlessservices.h"
#include "platform/terminationsignals.h"
#include "support/format.h"
#include "support/stringextras.h"

namespace tavrel {

QString batchProgressLine(const QString &fileName, float progress, double elapsedSeconds)
{
    const QString line = QStringLiteral("%1: %2%").arg(fileName).arg(qBound(0, int(progress), 100));
    // Before the first reading there is nothing to estimate from.
    if (!(progress > 0.0f))
        return line;
    return line
        + QStringLiteral(" (ETA: %1)")
              .arg(formattedTimeFromTimeInterval(estimatedSecondsLeft(progress, elapsedSeconds)));
}

QString batchFailureReason(const ConversionJob &job)
{
    // ffmpeg may end well when the disk fills as it writes the index ("Error writing trailer ...:
    // No space left on device"); the output check's verdict on that file would hide the cause.
    const FailureKind kind = failureKind(job.jobOutput());
    if (kind == FailureKind::FullDisk)
        return kFullDiskMessage;
    if (!job.outputProblem().isEmpty())
        return job.outputProblem();
    if (kind == FailureKind::SourceRemoved)
        return kSourceRemovedMessage;
    // ffmpeg's last words; a fatal error names the input it failed on.
    const QStringList lines = job.log().split(u'\n', Qt::SkipEmptyParts);
    const QString source = job.request().source + QStringLiteral(": ");
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString text = line->trimmed();
        if (text.isEmpty())
            continue;
        if (!source.isEmpty() && text.startsWith(source))
            return text.mid(source.size());
        return QStringLiteral("ffmpeg: ") + text;
    }
    return QStringLiteral("ffmpeg failed without saying why");
}

QString partsText(const ConversionJob &job)
{
    const qsizetype parts = job.outputPaths().size();
    return parts > 1 ? QStringLiteral(" in %1 parts").arg(parts) : QString();
}

BatchMonitor::BatchMonitor(AppDelegate &delegate, const QStringList &movies, bool terminal)
    : m_delegate(delegate), m_movies(movies), m_terminal(terminal), m_out(stdout), m_err(stderr)
{
    connect(&delegate, &AppDelegate::jobsInserted, this, [this](int row) {
        if (row >= 0 && row < m_delegate.taskArray().size())
            follow(m_delegate.taskArray().at(row));
    });
    connect(&delegate, &AppDelegate::scanFinished, this, &BatchMonitor::scheduleEndCheck);
    connect(&delegate, &AppDelegate::isScanningChanged, this, &BatchMonitor::scheduleEndCheck);
    connect(&delegate, &AppDelegate::jobRemoved, this, &BatchMonitor::scheduleEndCheck);
}

void BatchMonitor::follow(ConversionJob *job)
{
    connect(job, &ConversionJob::stateChanged, this, [this, job] { jobStateChanged(job); });
    if (m_terminal) {
        connect(job, &ConversionJob::progressChanged, this, [this, job] {
            if (job->state() != Converting || !m_started.contains(job) || !writable(m_out))
                return;
            const double elapsed = double(m_started.value(job).elapsed()) / 1000.0;
            m_out << "\r\x1b[K"
                  << batchProgressLine(escapedLineText(job->fileInfo()->fileName), job->progress(), elapsed)
                  << Qt::flush;
        });
    }
    jobStateChanged(job);
}

void BatchMonitor::jobStateChanged(ConversionJob *job)
{
    const QString name = job->fileInfo() ? escapedLineText(job->fileInfo()->fileName) : QString();
    const QString clearLine = m_terminal ? QStringLiteral("\r\x1b[K") : QString();
    switch (job->state()) {
    case Converting:
        if (!m_started.contains(job)) {
            m_started[job].start();
            if (m_terminal && writable(m_out))
                m_out << clearLine << batchProgressLine(name, 0.0f, 0.0) << Qt::flush;
        }
        break;
    case Finished:
        m_finishedSources.insert(canonicalPath(job->request().source));
        if (writable(m_out))
            m_out << clearLine << "Finished: " << name << " -> " << escapedLineText(job->outputPath())
                  << partsText(*job) << Qt::endl;
        break;
    case Failed:
        m_anyFailed = true;
        if (m_terminal && writable(m_out))
            m_out << clearLine << Qt::flush;
        if (writable(m_err))
            m_err << "Failed: " << name << ": " << escapedLineText(batchFailureReason(*job)) << Qt::endl;
        break;
    default:
        break;
    }
    scheduleEndCheck();
}

void BatchMonitor::scheduleEndCheck()
{
    // Once the controller has finished its own step: a job that has just ended starts the next
    // one right after announcing its state.
    if (m_checkScheduled || m_ended)
        return;
    m_checkScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_checkScheduled = false;
        checkEnd();
    });
}

void BatchMonitor::watchFor(const QStringList &movies)
{
    m_movies = movies;
    m_finishedSources.clear();
    m_anyFailed = false;
    m_started.clear();
    m_ended = false;
    m_reportUnconverted = false;
}

void BatchMonitor::checkEnd()
{
    if (m_ended || m_delegate.isIntakeBusy())
        return;
    for (qint32 state : {Queued, Converting, Paused})
        if (m_delegate.jobCountWithState(state) != 0)
            return;
    m_ended = true;
    for (const QString &movie : m_movies)
        if (m_reportUnconverted && !m_finishedSources.contains(canonicalPath(movie)) && writable(m_err))
            m_err << "Not converted: " << escapedLineText(movie) << Qt::endl;
    Q_EMIT batchEnded();
}

int BatchMonitor::exitStatus() const
{
    if (m_anyFailed)
        return 1;
    for (const QString &movie : m_movies)
        if (!m_finishedSources.contains(canonicalPath(movie)))
            return 1;
    return 0;
}

namespace {

void presetBatchSettings(const BatchOptions &options)
{
    using namespace settings;
    setDefaultInt(kAutoAddKey, 1);
    // The batch ends when its own movies are done; sources are never disposed of unattended.
    setDefaultInt(kQuitAfterConversionKey, 0);
    setDefaultInt(kAutoRemoveKey, 0);
    setDefaultInt(kAutoCleanKey, 0);
    if (!options.audioLanguage.isEmpty())
        setDefaultInt(kDefaultAudioKey, 0);
}

// The options that choose how each movie is converted go into its request.
ConversionOptions requestOptions(const BatchOptions &options)
{
    ConversionOptions request;
    if (options.ac3Downmix)
        request.ac3Downmix = true;
    if (options.dtsDownmix)
        request.dtsDownmix = true;
    if (options.subtitles)
        request.convertSubtitles = true;
    request.reencodeVideo = options.reencodeVideo;
    request.videoQuality = options.quality;
    if (!options.speed.isEmpty())
        request.videoSpeed = options.speed;
    request.split = options.split;
    return request;
}

} // namespace

int runBatch(const BatchOptions &options)
{
    if (options.help || options.version) {
        QTextStream(stdout) << (options.help ? batchUsage() : versionReport());
        return 0;
    }
    QTextStream err(stderr);
    // The user's settings, copied: the options change the copy only, which never reaches a file
    // (no file of its own to write and sync either).
    settings::useCopyInMemory();

    platform::HeadlessServices headless;
    DefaultAnsweringAlerts alerts;
    CancellingPanels panels;
    platform::Services services = headless.services();
    services.alerts = &alerts;
    services.panels = &panels;
    platform::install(services);

    settings::registerAppDefaults();
    if (!presetDestinationFolder(options.outputFolder))
        return 1;
    presetBatchSettings(options);

    AppDelegate delegate;
    delegate.setRefusalEndsJob(true); // nobody is there to make room
    delegate.intake().setRequestOptions(requestOptions(options));
    delegate.applicationDidFinishLaunching();
    for (const QString &partial : delegate.destinations().removedPartials())
        err << "tavrel: removed " << escapedLineText(partial) << ", the unfinished output of a run that has ended"
            << Qt::endl;
    if (!options.audioLanguage.isEmpty())
        delegate.setPreferredLanguages({options.audioLanguage});

    QStringList movies;
    for (const QString &file : options.files)
        if (!hasExtensionIn(file, subtitleFileTypes()))
            movies.append(file);
    BatchMonitor monitor(delegate, movies, isatty(STDOUT_FILENO) != 0);
    if (!options.watchFolder.isEmpty()) {
        const int stopped = runWatch(delegate, monitor, options);
        platform::install({});
        return stopped;
    }
    int status = 0;
    QObject::connect(&monitor, &BatchMonitor::batchEnded, &delegate, [&] {
        status = monitor.exitStatus();
        delegate.applicationWillTerminate();
        QCoreApplication::exit(status);
    });
    // Ctrl+C: the running ffmpeg stops and its partial output goes.
    onTerminationSignal([&](int signal) {
        err << "\ntavrel: stopped; unfinished output deleted" << Qt::endl;
        delegate.applicationWillTerminate();
        QCoreApplication::exit(128 + signal);
    });
    QTimer::singleShot(0, &delegate, [&] {
        delegate.application_openFiles(options.files);
        monitor.scheduleEndCheck(); // nothing may have come of them
    });
    const int code = QCoreApplication::exec();
    platform::install({});
    return code;
}

} // namespace tavrel
