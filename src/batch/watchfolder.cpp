// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/watchfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/appdelegate.h"
#include "app/intakerules.h"
#include "batch/batchrun.h"
#include "conversion/conversionjob.h"
#include "conversion/failureexplanation.h"
#include "platform/api/services.h"
#include "platform/terminationsignals.h"
#include "support/stringextras.h"

namespace tavrel {

namespace {

bool isWatchedMovie(const QString &path)
{
    return hasExtensionIn(path, defaultMovieFileTypes());
}

void walkWatchedFolder(const QString &folder, const QString &skip, const std::function<void(const QString &)> &entering,
                       QHash<QString, FileStamp> &files)
{
    if (entering)
        entering(folder);
    // Hidden files (ours: .tavrel-XXXXXX.partial.mp4; a downloader's half-written ones) are not
    // listed; folder links are not followed, so no loop can form.
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString path = entry.absoluteFilePath();
        if (entry.isDir()) {
            // The output folder may be named through a link: its outputs must never come back in.
            if (!entry.isSymLink() && QDir::cleanPath(path) != skip && entry.canonicalFilePath() != skip)
                walkWatchedFolder(path, skip, entering, files);
        } else if (entry.isFile() && !isSpecialFile(path)
                   && (isWatchedMovie(path) || hasExtensionIn(path, subtitleFileTypes()))) {
            files.insert(path, {entry.size(), entry.lastModified().toMSecsSinceEpoch()});
        }
    }
}

} // namespace

Sightings updatedSightings(const Sightings &earlier, const QHash<QString, FileStamp> &scan, qint64 now)
{
    Sightings sightings;
    for (auto file = scan.cbegin(); file != scan.cend(); ++file) {
        const auto seen = earlier.constFind(file.key());
        sightings.insert(file.key(),
                         seen != earlier.cend() && seen->stamp == file.value() ? *seen : Sighting{file.value(), now});
    }
    return sightings;
}

WatchDecision decideWatch(const Sightings &sightings, const QSet<QString> &writing, const WatchState &state, qint64 now,
                          qint64 settle)
{
    QHash<QString, QStringList> subtitlesByKey;
    QStringList movies;
    for (auto file = sightings.cbegin(); file != sightings.cend(); ++file) {
        if (isWatchedMovie(file.key())) {
            movies.append(file.key());
            continue;
        }
        QStringList keys = subtitleKeys(file.key());
        keys.removeDuplicates();
        for (const QString &key : std::as_const(keys))
            subtitlesByKey[key].append(file.key());
    }
    std::sort(movies.begin(), movies.end());

    WatchDecision decision;
    for (const QString &movie : std::as_const(movies)) {
        if (isHandledAlready(state, movie, sightings.value(movie).stamp)) {
            ++decision.handledBefore;
            continue;
        }
        QStringList subtitles = subtitlesByKey.value(pathWithoutExtension(movie));
        std::sort(subtitles.begin(), subtitles.end());
        qint64 wait = 0;
        bool busy = false;
        for (const QString &path : QStringList{movie} + subtitles) {
            wait = std::max(wait, sightings.value(path).since + settle - now);
            busy = busy || writing.contains(path);
        }
        if (wait <= 0 && !busy) {
            decision.ready.append({movie, subtitles});
            continue;
        }
        decision.waiting.append(movie);
        // Being written: look again once a settle time has passed.
        const qint64 next = wait > 0 ? wait : settle;
        decision.nextCheck = decision.nextCheck < 0 ? next : std::min(decision.nextCheck, next);
    }
    return decision;
}

bool fdInfoOpensForWriting(const QByteArray &fdinfo)
{
    for (const QByteArray &line : fdinfo.split('\n')) {
        if (!line.startsWith("flags:"))
            continue;
        bool ok = false;
        const uint flags = line.mid(6).trimmed().toUInt(&ok, 8);
        // The access mode: 1 write only, 2 read and write.
        const uint access = flags & 3u;
        return ok && (access == 1u || access == 2u);
    }
    return false;
}

QSet<QString> filesOpenForWriting(const QSet<QString> &paths, const QString &procRoot)
{
    QSet<QString> found;
    if (paths.isEmpty())
        return found;
    const QStringList processes = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &process : processes) {
        bool numeric = false;
        process.toUInt(&numeric);
        if (!numeric)
            continue;
        const QByteArray fdFolder = QFile::encodeName(procRoot + u'/' + process + QStringLiteral("/fd"));
        // Another user's process cannot be looked into: it counts as not writing.
        DIR *descriptors = opendir(fdFolder.constData());
        if (!descriptors)
            continue;
        while (const dirent *entry = readdir(descriptors)) {
            if (entry->d_name[0] == '.')
                continue;
            char target[PATH_MAX];
            const QByteArray link = fdFolder + '/' + entry->d_name;
            const ssize_t length = readlink(link.constData(), target, sizeof target);
            if (length <= 0 || length >= ssize_t(sizeof target))
                continue;
            const QString path = QFile::decodeName(QByteArray(target, int(length)));
            if (!paths.contains(path) || found.contains(path))
                continue;
            QFile fdinfo(procRoot + u'/' + process + QStringLiteral("/fdinfo/") + QString::fromLatin1(entry->d_name));
            if (fdinfo.open(QIODevice::ReadOnly) && fdInfoOpensForWriting(fdinfo.readAll()))
                found.insert(path);
        }
        closedir(descriptors);
    }
    return found;
}

QHash<QString, FileStamp> scanWatchedFolder(const QString &folder, const QString &skip,
                                            const std::function<void(const QString &)> &entering)
{
    QHash<QString, FileStamp> files;
    const QString canonicalSkip = QFileInfo(skip).canonicalFilePath();
    walkWatchedFolder(QDir::cleanPath(folder), canonicalSkip.isEmpty() ? QDir::cleanPath(skip) : canonicalSkip,
                      entering, files);
    return files;
}

WatchOutcome watchOutcome(bool converted, bool sourceExists, bool outputAvailable, const QString &jobOutput,
                          const QString &outputProblem)
{
    if (converted)
        return WatchOutcome::Converted;
    if (!sourceExists)
        return WatchOutcome::Gone;
    if (!outputAvailable)
        return WatchOutcome::WaitForOutput;
    // A full disk as ffmpeg wrote, or the free-space check before: the movie is not at fault.
    if (failureKind(jobOutput) == FailureKind::FullDisk
        || outputProblem.contains(QStringLiteral("not enough free space")))
        return WatchOutcome::WaitForRoom;
    return WatchOutcome::Failed;
}

FolderWatch::FolderWatch(AppDelegate &delegate, BatchMonitor &monitor, const QString &folder,
                         const QString &outputFolder, const QString &stateFile, qint64 settleMs)
    : m_delegate(delegate)
    , m_monitor(monitor)
    , m_folder(QDir::cleanPath(folder))
    , m_outputFolder(QDir::cleanPath(outputFolder))
    , m_stateFile(stateFile)
    , m_settle(settleMs)
    , m_out(stdout)
    , m_err(stderr)
{
    m_scanTimer.setSingleShot(true);
    connect(&m_scanTimer, &QTimer::timeout, this, &FolderWatch::scan);
    connect(&m_rescanTimer, &QTimer::timeout, this, &FolderWatch::scan);
    // A burst of changes (a copy in progress) makes one scan.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { scheduleScan(100); });
    connect(&monitor, &BatchMonitor::batchEnded, this, &FolderWatch::handOverEnded);
}

int FolderWatch::prepare()
{
    QString error;
    m_folderLock = lockWatchedFolder(m_stateFile, QFileInfo(m_folder).canonicalFilePath(), &error);
    if (!m_folderLock.isLocked()) {
        if (!error.isEmpty()) {
            m_err << "tavrel: " << escapedLineText(error) << "; not watching" << Qt::endl;
            return 1;
        }
        m_err << "tavrel: " << escapedLineText(m_folder) << " is watched by another tavrel already" << Qt::endl;
        return 2;
    }
    WatchState state = loadWatchState(m_stateFile, &error);
    if (!error.isEmpty())
        m_err << "tavrel: " << escapedLineText(error) << Qt::endl;
    m_state = watchRecordsBelow(state, m_folder);
    // Written once before anything converts: a state that cannot be kept would convert every
    // movie again at each start.
    if (!saveWatchState(m_stateFile, m_folder, m_state, &error)) {
        m_err << "tavrel: " << escapedLineText(error) << "; not watching" << Qt::endl;
        return 1;
    }
    struct stat output = {};
    if (::stat(QFile::encodeName(m_outputFolder).constData(), &output) == 0)
        m_outputDevice = qint64(output.st_dev);
    return 0;
}

void FolderWatch::start()
{
    m_clock.start();
    m_out << "Watching: " << escapedLineText(m_folder) << " -> " << escapedLineText(m_outputFolder) << Qt::endl;
    // A file deleted there may leave the room a waiting movie needs.
    m_watcher.addPath(m_outputFolder);
    m_rescanTimer.start(kWatchRescanMs);
    scan();
}

void FolderWatch::scheduleScan(qint64 delay)
{
    const int ms = int(std::clamp<qint64>(delay, 0, kWatchRescanMs));
    if (!m_scanTimer.isActive() || m_scanTimer.remainingTime() > ms)
        m_scanTimer.start(ms);
}

void FolderWatch::watchNearestFolder(const QString &path)
{
    QString folder = path;
    while (!QFileInfo(folder).isDir() && folder != QDir::rootPath())
        folder = QFileInfo(folder).absolutePath();
    if (folder == m_nearestWatched)
        return;
    if (!m_nearestWatched.isEmpty())
        m_watcher.removePath(m_nearestWatched);
    m_nearestWatched = folder;
    m_watcher.addPath(folder);
}

bool FolderWatch::watchedFolderPresent()
{
    const bool present = QFileInfo(m_folder).isDir();
    if (present == !m_folderMissing)
        return present;
    m_folderMissing = !present;
    if (present) {
        m_out << "Watched folder back: " << escapedLineText(m_folder) << Qt::endl;
        return true;
    }
    m_out << "Watched folder gone: " << escapedLineText(m_folder) << " (watching for its return)" << Qt::endl;
    // The watches of the removed folders die with them; made again, each is watched anew.
    const QStringList watched = m_watcher.directories();
    for (const QString &folder : watched)
        if (folder == m_folder || folder.startsWith(m_folder + u'/'))
            m_watcher.removePath(folder);
    m_sightings.clear();
    watchNearestFolder(m_folder);
    return false;
}

bool FolderWatch::outputAvailable()
{
    struct stat output = {};
    const bool available = ::stat(QFile::encodeName(m_outputFolder).constData(), &output) == 0
        && S_ISDIR(output.st_mode) && qint64(output.st_dev) == m_outputDevice;
    if (available == !m_outputMissing)
        return available;
    m_outputMissing = !available;
    if (available) {
        m_out << "Output folder back: " << escapedLineText(m_outputFolder) << Qt::endl;
        m_watcher.addPath(m_outputFolder);
    } else {
        m_out << "Waiting for the output folder: " << escapedLineText(m_outputFolder) << Qt::endl;
        // An unmounted disk's mount point announces nothing: the rescan finds the disk back.
        watchNearestFolder(QFileInfo(m_outputFolder).absolutePath());
    }
    return available;
}

quint64 FolderWatch::outputFreeBytes() const
{
    platform::VolumeInfo *volumes = platform::services().volumes;
    return volumes ? volumes->figuresForPath(m_outputFolder).freeBytes : 0;
}

bool FolderWatch::hasRoomAgain(const QString &movie)
{
    const auto waiting = m_waitingForRoom.constFind(movie);
    if (waiting == m_waitingForRoom.cend())
        return true;
    // Its own free-space check decides; only tried once there is more room than when it failed.
    if (outputFreeBytes() <= *waiting)
        return false;
    m_waitingForRoom.remove(movie);
    return true;
}

bool FolderWatch::adoptEarlierOutput(const WatchCandidate &candidate)
{
    if (!m_presentAtStart.contains(candidate.movie))
        return false;
    const QFileInfo source(candidate.movie);
    const QFileInfo output(m_outputFolder + u'/' + outputFileName(source.fileName()));
    // Made from this movie as it is: an output newer than the source.
    if (!output.isFile() || output.lastModified() < source.lastModified())
        return false;
    m_out << "Converted before: " << escapedLineText(candidate.movie) << " -> "
          << escapedLineText(output.absoluteFilePath()) << Qt::endl;
    record(candidate.movie, {m_sightings.value(candidate.movie).stamp, true});
    return true;
}

void FolderWatch::scan()
{
    if (m_stopped || !watchedFolderPresent())
        return;
    const QStringList watchedList = m_watcher.directories();
    const QSet<QString> watched(watchedList.cbegin(), watchedList.cend());
    const QHash<QString, FileStamp> files = scanWatchedFolder(m_folder, m_outputFolder, [&](const QString &folder) {
        // Before the folder is listed: what arrives after the listing is announced.
        if (!watched.contains(folder))
            m_watcher.addPath(folder);
    });
    const qint64 now = m_clock.elapsed();
    const Sightings earlier = m_sightings;
    m_sightings = updatedSightings(earlier, files, now);

    QStringList arrived;
    QHash<QString, QString> settledByCanonical;
    for (auto file = m_sightings.cbegin(); file != m_sightings.cend(); ++file) {
        const bool movie = isWatchedMovie(file.key());
        if (movie && isHandledAlready(m_state, file.key(), file->stamp))
            continue;
        if (movie && !earlier.contains(file.key()))
            arrived.append(file.key());
        if (movie && !m_firstScanDone)
            m_presentAtStart.insert(file.key());
        if (file->since + m_settle <= now)
            settledByCanonical.insert(QFileInfo(file.key()).canonicalFilePath(), file.key());
    }
    std::sort(arrived.begin(), arrived.end());
    for (const QString &movie : std::as_const(arrived))
        m_out << "Seen: " << escapedLineText(movie) << Qt::endl;

    const QStringList canonical = settledByCanonical.keys();
    QSet<QString> writing;
    for (const QString &path : filesOpenForWriting(QSet<QString>(canonical.cbegin(), canonical.cend())))
        writing.insert(settledByCanonical.value(path));
    // Said once per file, so the log shows why a complete-looking movie waits.
    m_announcedWriting.intersect(writing);
    QStringList announce;
    for (const QString &path : std::as_const(writing))
        if (!m_announcedWriting.contains(path))
            announce.append(path);
    std::sort(announce.begin(), announce.end());
    for (const QString &path : std::as_const(announce))
        m_out << "Being written: " << escapedLineText(path) << Qt::endl;
    m_announcedWriting.unite(writing);
    const WatchDecision decision = decideWatch(m_sightings, writing, m_state, now, m_settle);
    if (!m_firstScanDone) {
        m_firstScanDone = true;
        m_out << "Scan done: " << decision.ready.size() + decision.waiting.size() << " to convert, "
              << decision.handledBefore << " done before" << Qt::endl;
    }
    if (decision.nextCheck >= 0)
        scheduleScan(decision.nextCheck);
    if (!m_current.isEmpty())
        return;
    for (const WatchCandidate &candidate : decision.ready) {
        if (m_stopped || adoptEarlierOutput(candidate) || !hasRoomAgain(candidate.movie))
            continue;
        if (outputAvailable())
            handOver(candidate);
        return;
    }
}

void FolderWatch::handOver(const WatchCandidate &candidate)
{
    m_current = candidate.movie;
    m_currentStamp = m_sightings.value(candidate.movie).stamp;
    m_monitor.watchFor({candidate.movie});
    m_delegate.application_openFiles(candidate.subtitles + QStringList{candidate.movie});
    m_monitor.scheduleEndCheck(); // a movie refused at once makes no job
}

WatchOutcome FolderWatch::outcomeOf(const QString &movie)
{
    QString jobOutput;
    QString outputProblem;
    for (const ConversionJob *job : m_delegate.taskArray())
        if (job->state() == Failed && job->request().source == movie) {
            jobOutput = job->jobOutput();
            outputProblem = job->outputProblem();
        }
    return watchOutcome(m_monitor.exitStatus() == 0, QFileInfo::exists(movie), outputAvailable(), jobOutput,
                        outputProblem);
}

void FolderWatch::handOverEnded()
{
    if (m_stopped || m_current.isEmpty())
        return;
    const QString movie = m_current;
    m_current.clear();
    switch (outcomeOf(movie)) {
    case WatchOutcome::Converted:
    case WatchOutcome::Failed:
        record(movie, {m_currentStamp, m_monitor.exitStatus() == 0});
        break;
    case WatchOutcome::WaitForRoom:
        m_out << "Waiting for room: " << escapedLineText(movie) << Qt::endl;
        m_waitingForRoom.insert(movie, outputFreeBytes());
        break;
    case WatchOutcome::WaitForOutput:
    case WatchOutcome::Gone:
        break;
    }
    // Ended jobs leave the list, and their progress files go with them: a watch runs for months.
    const MutableConversionJobArray jobs = m_delegate.taskArray();
    for (ConversionJob *job : jobs)
        if (job->state() == Finished || job->state() == Failed)
            job->remove();
    scheduleScan(0);
}

bool FolderWatch::record(const QString &movie, const WatchRecord &record)
{
    m_state.insert(movie, record);
    QString error;
    if (saveWatchState(m_stateFile, m_folder, m_state, &error))
        return true;
    // Converting on without a record would convert the same movies again at the next start.
    m_err << "tavrel: " << escapedLineText(error) << "; stopped watching" << Qt::endl;
    stop();
    m_delegate.applicationWillTerminate();
    QCoreApplication::exit(1);
    return false;
}

int runWatch(AppDelegate &delegate, BatchMonitor &monitor, const BatchOptions &options)
{
    bool ok = false;
    const qint64 shortened = qEnvironmentVariable("TAVREL_WATCH_SETTLE_MS").toLongLong(&ok);
    const qint64 settle = ok && shortened >= 0 ? shortened : kWatchSettleMs;
    FolderWatch watch(delegate, monitor, options.watchFolder, options.outputFolder,
                      watchStateFile(qEnvironmentVariable("XDG_STATE_HOME"), QDir::homePath()), settle);
    if (const int refused = watch.prepare())
        return refused;
    QTextStream err(stderr);
    // A service manager stops the watch this way: the running ffmpeg stops, its partial output
    // goes, and the movie is converted again at the next start.
    onTerminationSignal([&](int) {
        watch.stop();
        const bool busy = delegate.isIntakeBusy() || delegate.jobCountWithState(Converting) != 0;
        delegate.applicationWillTerminate();
        err << "tavrel: stopped watching" << (busy ? "; unfinished output deleted" : "") << Qt::endl;
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(0, &watch, &FolderWatch::start);
    return QCoreApplication::exec();
}

} // namespace tavrel
