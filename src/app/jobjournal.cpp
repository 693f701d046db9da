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

QByteArray journalBytes(const QList<JournalEntry> &entries)
{
    QJsonArray jobs;
    for (const JournalEntry &entry : entries) {
        QJsonObject job{{QStringLiteral("source"), entry.source},
                        {QStringLiteral("audioTrack"), qint64(entry.audioTrackIndex)},
                        {QStringLiteral("destination"), entry.destination},
                        {QStringLiteral("state"), stateNames().value(entry.state)}};
        if (!entry.subtitle.isEmpty())
            job.insert(QStringLiteral("subtitle"), entry.subtitle);
        if (!entry.destinationFolder.isEmpty())
            job.insert(QStringLiteral("destinationFolder"), entry.destinationFolder);
        if (!entry.partialOutput.isEmpty())
            job.insert(QStringLiteral("partialOutput"), entry.partialOutput);
        jobs.append(job);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("version"), 1}, {QStringLiteral("jobs"), jobs}}).toJson();
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
        entry.source = job.value(QStringLiteral("source")).toString();
        entry.subtitle = job.value(QStringLiteral("subtitle")).toString();
        entry.audioTrackIndex = quint64(qMax<qint64>(0, job.value(QStringLiteral("audioTrack")).toInteger()));
        entry.destination = job.value(QStringLiteral("destination")).toString();
        entry.destinationFolder = job.value(QStringLiteral("destinationFolder")).toString();
        entry.partialOutput = job.value(QStringLiteral("partialOutput")).toString();
        const qsizetype state = stateNames().indexOf(job.value(QStringLiteral("state")).toString());
        if (entry.source.isEmpty() || state < 0)
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
        if (isPartialOutputOf(entry.partialOutput, entry.destination))
            plan.partialsToDelete.append(entry.partialOutput);
        if (!isUnfinished(entry.state))
            continue;
        if (!sourceExists(entry.source)) {
            plan.missingSources.append(entry.source);
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
    connect(job, &ConversionJob::audioTrackIndexChanged, this, &JobJournal::write);
}

void JobJournal::write()
{
    if (!m_writing || m_kept)
        return;
    QList<JournalEntry> entries;
    for (const ConversionJob *job : m_delegate.taskArray()) {
        const std::shared_ptr<MKVFileInfo> &info = job->fileInfo();
        if (!info)
            continue;
        entries.append({info->fileURL.toLocalFile(), info->subtitleFileURL.toLocalFile(), job->audioTrackIndex(),
                        info->destinationURL.toLocalFile(), info->securityURL.toLocalFile(), job->state(),
                        job->partialOutputPath()});
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
        urls.append(fileURL(entry.source));
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
    const QString name = displayName(entry.source);
    const QString unread = !info       ? QStringLiteral("it could not be read")
        : !info->toolFailure.isEmpty() ? info->toolFailure
                                       : info->unreadableReport;
    if (!unread.isEmpty()) {
        skipped.append(makeString(QStringLiteral("“%@”: %@"), name, unread));
        return nullptr;
    }
    if (!entry.destinationFolder.isEmpty()) {
        // The folder's access is held for the job as the intake holds it, and ends with the job.
        platform::Bookmarks *bookmarks = platform::services().bookmarks;
        if (bookmarks && !bookmarks->startAccess(entry.destinationFolder)) {
            skipped.append(makeString(QStringLiteral("“%@”: its destination folder “%@” is not available"), name,
                                      entry.destinationFolder));
            return nullptr;
        }
        info->securityURL = fileURL(entry.destinationFolder);
    }
    if (!entry.subtitle.isEmpty() && isRegularFile(entry.subtitle)) {
        info->subtitleFileURL = fileURL(entry.subtitle);
        info->informationString = replaced(info->informationString, QStringLiteral(")"), QStringLiteral("+1)"));
    }
    // A name taken meanwhile gets the next free one, as a new job's would.
    JobQueue &queue = m_delegate.queue();
    info->destinationURL =
        fileURL(uniqueFile(entry.destination, [&queue](const QString &path) { return queue.isOutputTaken(path); }));
    auto *job = new ConversionJob(&m_delegate);
    job->setFileInfo(info);
    const qsizetype tracks = info->audioTrackInformation.size();
    job->setAudioTrackIndex(entry.audioTrackIndex < quint64(qMax<qsizetype>(tracks, 1)) ? entry.audioTrackIndex : 0);
    return job;
}

} // namespace tavrel
