// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/jobjournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include "app/appdelegate.h"
#include "app/settings.h"
#include "conversion/conversionjob.h"
#include "conversion/outputfile.h"
#include "platform/api/services.h"
#include "support/alerts.h"
#include "support/format.h"
#include "support/log.h"
#include "support/ossorylib.h"
#include "support/paths.h"
#include "support/stringextras.h"
#include "support/strings.h"

namespace tavrel {

namespace {

const QStringList &stateNames()
{
    // Indexed by JobState.
    static const QStringList names = {QStringLiteral("queued"), QStringLiteral("converting"), QStringLiteral("paused"),
                                      QStringLiteral("finished"), QStringLiteral("failed")};
    return names;
}

bool isUnfinished(qint32 state)
{
    return state == Queued || state == Converting || state == Paused;
}

bool isRegularFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile();
}

QString displayName(const QString &path)
{
    return elidedName(QFileInfo(path).fileName());
}

} // namespace

namespace {

QJsonObject optionsObject(const ConversionOptions &options)
{
    QJsonObject object;
    const auto flag = [&](const char *key, const std::optional<bool> &value) {
        if (value)
            object.insert(QLatin1String(key), *value);
    };
    flag("ac3Downmix", options.ac3Downmix);
    flag("dtsDownmix", options.dtsDownmix);
    flag("convertSubtitles", options.convertSubtitles);
    flag("reencodeVideo", options.reencodeVideo);
    if (options.videoQuality)
        object.insert(QStringLiteral("videoQuality"), *options.videoQuality);
    if (options.videoSpeed)
        object.insert(QStringLiteral("videoSpeed"), *options.videoSpeed);
    if (options.split)
        object.insert(QStringLiteral("split"),
                      options.split->mode == SplitChoice::Mode::Auto        ? QJsonValue(QStringLiteral("auto"))
                          : options.split->mode == SplitChoice::Mode::Never ? QJsonValue(QStringLiteral("never"))
                                                                            : QJsonValue(qint64(options.split->size)));
    return object;
}

ConversionOptions conversionOptions(const QJsonObject &object)
{
    ConversionOptions options;
    const auto flag = [&](const char *key, std::optional<bool> &value) {
        if (const QJsonValue v = object.value(QLatin1String(key)); v.isBool())
            value = v.toBool();
    };
    flag("ac3Downmix", options.ac3Downmix);
    flag("dtsDownmix", options.dtsDownmix);
    flag("convertSubtitles", options.convertSubtitles);
    flag("reencodeVideo", options.reencodeVideo);
    if (const QJsonValue quality = object.value(QStringLiteral("videoQuality")); quality.isDouble())
        options.videoQuality = videoQualityInRange(quality.toInteger());
    if (const QJsonValue speed = object.value(QStringLiteral("videoSpeed")); videoSpeeds().contains(speed.toString()))
        options.videoSpeed = speed.toString();
    if (const QJsonValue split = object.value(QStringLiteral("split")); split.isDouble())
        options.split = parseSplitChoice(QString::number(split.toInteger()));
    else if (split.isString())
        options.split = parseSplitChoice(split.toString());
    return options;
}

} // namespace

QByteArray journalBytes(const QList<JournalEntry> &entries)
{
    QJsonArray jobs;
    for (const JournalEntry &entry : entries) {
        const ConversionRequest &request = entry.request;
        QJsonObject job{
            {QStringLiteral("source"), request.source},
            {QStringLiteral("audioStream"), request.audioStreamId ? QJsonValue(*request.audioStreamId) : QJsonValue()},
            {QStringLiteral("destination"), request.output.path},
            {QStringLiteral("state"), stateNames().value(entry.state)}};
        if (request.output.partSize)
            job.insert(QStringLiteral("partSize"), qint64(*request.output.partSize));
        if (!request.subtitleFile.isEmpty())
            job.insert(QStringLiteral("subtitle"), request.subtitleFile);
        if (!request.destinationFolder.isEmpty())
            job.insert(QStringLiteral("destinationFolder"), request.destinationFolder);
        if (const QJsonObject options = optionsObject(request.options); !options.isEmpty())
            job.insert(QStringLiteral("options"), options);
        if (!entry.partialOutput.isEmpty())
            job.insert(QStringLiteral("partialOutput"), entry.partialOutput);
        jobs.append(job);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("version"), 2}, {QStringLiteral("jobs"), jobs}}).toJson();
}

std::optional<QList<JournalEntry>> journalEntries(const QByteArray &bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    const QJsonValue jobs = document.object().value(QStringLiteral("jobs"));
    if (!document.isObject() || !jobs.isArray())
        return std::nullopt;
    QList<JournalEntry> entries;
    for (const QJsonValue &value : jobs.toArray()) {
        const QJsonObject job = value.toObject();
        JournalEntry entry;
        ConversionRequest &request = entry.request;
        request.source = job.value(QStringLiteral("source")).toString();
        request.subtitleFile = job.value(QStringLiteral("subtitle")).toString();
        if (const QJsonValue stream = job.value(QStringLiteral("audioStream")); stream.isDouble())
            request.audioStreamId = stream.toInt();
        else if (const QJsonValue index = job.value(QStringLiteral("audioTrack")); index.isDouble())
            entry.audioTrackIndex = qMax<qint64>(0, index.toInteger());
        request.output.path = job.value(QStringLiteral("destination")).toString();
        if (const qint64 partSize = job.value(QStringLiteral("partSize")).toInteger(); partSize > 0)
            request.output.partSize = quint64(partSize);
        request.destinationFolder = job.value(QStringLiteral("destinationFolder")).toString();
        request.options = conversionOptions(job.value(QStringLiteral("options")).toObject());
        entry.partialOutput = job.value(QStringLiteral("partialOutput")).toString();
        const qsizetype state = stateNames().indexOf(job.value(QStringLiteral("state")).toString());
        if (request.source.isEmpty() || state < 0)
            continue;
        entry.state = qint32(state);
        entries.append(entry);
    }
    return entries;
}

QString jobJournalPath()
{
    const OssoryLib *lib = OssoryLib::shared();
    const QString folder =
        lib ? lib->suppDir() : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' + appName();
    return folder + QStringLiteral("/Queue.json");
}

bool isPartialOutputOf(const QString &partial, const QString &destination)
{
    if (partial.isEmpty() || destination.isEmpty() || !QDir::isAbsolutePath(partial))
        return false;
    const QFileInfo file(partial);
    return isPartialOutputName(file.fileName())
        && QDir::cleanPath(file.absolutePath()) == QDir::cleanPath(QFileInfo(destination).absolutePath());
}

RestorePlan planRestore(const QList<JournalEntry> &entries, const std::function<bool(const QString &)> &sourceExists)
{
    RestorePlan plan;
    for (const JournalEntry &entry : entries) {
        if (isPartialOutputOf(entry.partialOutput, entry.request.output.path))
            plan.partialsToDelete.append(entry.partialOutput);
        if (!isUnfinished(entry.state))
            continue;
        if (!sourceExists(entry.request.source)) {
            plan.missingSources.append(entry.request.source);
            continue;
        }
        // ffmpeg died with the earlier run: the job starts again from the beginning.
        JournalEntry again = entry;
        again.state = Queued;
        again.partialOutput.clear();
        plan.restore.append(again);
    }
    return plan;
}

QString restoreQuestion(qsizetype count)
{
    return count == 1 ? QStringLiteral("Restore 1 unfinished conversion?")
                      : QStringLiteral("Restore %1 unfinished conversions?").arg(count);
}

JobJournal::JobJournal(AppDelegate &delegate, const QString &path, FileIntake::Scanner scanner)
    : m_delegate(delegate), m_path(path), m_scanner(std::move(scanner))
{
    if (!m_scanner)
        m_scanner = [](const QUrl &url) {
            return MKVFileInfo::scan(url, settings::defaultInt(settings::kReencodeVideoKey) != 0);
        };
    // Jobs added while the question is open are watched too; the file is left as the earlier run
    // left it until it has been answered.
    for (ConversionJob *job : m_delegate.taskArray())
        watch(job);
    connect(&m_delegate, &AppDelegate::jobsInserted, this, [this](int row) {
        if (row >= 0 && row < m_delegate.taskArray().size())
            watch(m_delegate.taskArray().at(row));
        write();
    });
    connect(&m_delegate, &AppDelegate::jobRemoved, this, &JobJournal::write);
}

void JobJournal::watch(ConversionJob *job)
{
    connect(job, &ConversionJob::stateChanged, this, &JobJournal::write);
    connect(job, &ConversionJob::partialOutputChanged, this, &JobJournal::write);
}

void JobJournal::write()
{
    if (!m_writing || m_kept)
        return;
    QList<JournalEntry> entries;
    for (const ConversionJob *job : m_delegate.taskArray()) {
        entries.append({job->request(), std::nullopt, job->state(), job->partialOutputPath()});
    }
    // A clean quit leaves an empty journal, movies still being read again included.
    if (!m_delegate.queue().isTerminating())
        entries += m_pending;

    QString error;
    const bool written = writePrivateFile(m_path, journalBytes(entries), &error);
    // Said once: the queue works on without it.
    if (!written && !m_writeFailed)
        asl_NSLog(3, QStringLiteral("The queue's journal %@ could not be written: %@"), m_path, error);
    m_writeFailed = !written;
}

void JobJournal::offerRestore()
{
    if (m_delegate.queue().isTerminating())
        return;
    // Its jobs may be converting right now: their partial outputs are not ours to delete.
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // The kernel drops the lock with its process, so a crash or a power cut leaves none behind.
    m_lock = FileLock::tryLock(m_path + QStringLiteral(".lock"));
    if (!m_lock.isLocked()) {
        asl_NSLog(3, QStringLiteral("The queue's journal %@ is used by another Tavrel; this one keeps none."), m_path);
        m_kept = true;
        Q_EMIT restoreFinished();
        return;
    }
    QFile file(m_path);
    std::optional<QList<JournalEntry>> earlier;
    if (file.open(QIODevice::ReadOnly)) {
        earlier = journalEntries(file.readAll());
        file.close();
        if (!earlier)
            asl_NSLog(3, QStringLiteral("The queue's journal %@ could not be read; it is started anew (kept as %@)."),
                      m_path, keepAside(m_path));
    }
    const RestorePlan plan = planRestore(earlier.value_or(QList<JournalEntry>()), &isRegularFile);

    const bool asked = !plan.restore.isEmpty();
    const bool restore = asked
        && alert(appName(), restoreQuestion(plan.restore.size()), QStringLiteral("Restore"), QStringLiteral("Discard"))
            == 1;
    // A termination signal while the question was open: the journal stays for the next launch.
    if (m_delegate.queue().isTerminating())
        return;
    for (const QString &partial : plan.partialsToDelete)
        removeAbandonedPartial(partial);
    if (restore)
        m_pending = plan.restore;
    m_writing = true;
    write();

    if (!plan.missingSources.isEmpty() && (restore || !asked)) {
        QStringList names;
        for (const QString &source : plan.missingSources)
            names.append(displayName(source));
        alert(appName(),
              makeString(QStringLiteral("These unfinished conversions were not restored because their movies no "
                                        "longer exist:\n\n%@"),
                         names.join(u'\n')),
              QStringLiteral("OK"));
    }
    if (m_pending.isEmpty()) {
        Q_EMIT restoreFinished();
        return;
    }

    QList<QUrl> urls;
    for (const JournalEntry &entry : std::as_const(m_pending))
        urls.append(fileURL(entry.request.source));
    using Infos = QList<std::shared_ptr<MKVFileInfo>>;
    auto *watcher = new QFutureWatcher<Infos>(this);
    connect(watcher, &QFutureWatcher<Infos>::finished, this, [this, watcher] {
        watcher->deleteLater();
        restoreScanned(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [scanner = m_scanner, urls] {
        Infos infos;
        for (const QUrl &url : urls)
            infos.append(scanner(url));
        return infos;
    }));
}

void JobJournal::restoreScanned(const QList<std::shared_ptr<MKVFileInfo>> &infos)
{
    const QList<JournalEntry> entries = m_pending;
    m_pending.clear();
    if (m_delegate.queue().isTerminating()) {
        Q_EMIT restoreFinished();
        return;
    }
    QStringList skipped;
    QList<ConversionJob *> jobs;
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (ConversionJob *job = restoredJob(entries.at(i), infos.value(i), skipped))
            jobs.append(job);
    // Each addition rewrites the journal; the entries no longer pending are then the queue's.
    for (ConversionJob *job : std::as_const(jobs))
        m_delegate.queue().restoreJob(job);
    write();
    if (!skipped.isEmpty())
        alert(appName(),
              makeString(QStringLiteral("These unfinished conversions could not be restored:\n\n%@"),
                         skipped.join(u'\n')),
              QStringLiteral("OK"));
    Q_EMIT restoreFinished();
}

ConversionJob *JobJournal::restoredJob(const JournalEntry &entry, const std::shared_ptr<MKVFileInfo> &info,
                                       QStringList &skipped)
{
    const QString name = displayName(entry.request.source);
    const QString unread = !info       ? QStringLiteral("it could not be read")
        : !info->toolFailure.isEmpty() ? info->toolFailure
                                       : info->unreadableReport;
    if (!unread.isEmpty()) {
        skipped.append(makeString(QStringLiteral("“%@”: %@"), name, unread));
        return nullptr;
    }
    ConversionRequest request = entry.request;
    if (!request.destinationFolder.isEmpty()) {
        // The folder's access is held for the job as the intake holds it, and ends with the job.
        platform::Bookmarks *bookmarks = platform::services().bookmarks;
        if (bookmarks && !bookmarks->startAccess(request.destinationFolder)) {
            skipped.append(makeString(QStringLiteral("“%@”: its destination folder “%@” is not available"), name,
                                      request.destinationFolder));
            return nullptr;
        }
    }
    if (!request.subtitleFile.isEmpty() && isRegularFile(request.subtitleFile))
        info->informationString = replaced(info->informationString, QStringLiteral(")"), QStringLiteral("+1)"));
    else
        request.subtitleFile.clear();
    // The movie may have changed since: a track it no longer has gives way to its first.
    if (entry.audioTrackIndex && !info->audioTracks.isEmpty())
        request.audioStreamId = info->audioTracks.value(*entry.audioTrackIndex, info->audioTracks.first()).streamId;
    else if (!audioTrackWithId(info->audioTracks, request.audioStreamId))
        request.audioStreamId =
            info->audioTracks.isEmpty() ? std::nullopt : std::optional<int>(info->audioTracks.first().streamId);
    // A name taken meanwhile gets the next free one, as a new job's would.
    JobQueue &queue = m_delegate.queue();
    request.output.path =
        uniqueFile(request.output.path, [&queue](const QString &path) { return queue.isOutputTaken(path); });
    request.inspection = info;
    return new ConversionJob(&queue, request);
}

} // namespace tavrel
