// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The queue's journal: the job list kept on disk, rewritten on every change, so that the jobs a
// crash, a kill or a power cut interrupted can be offered again at the next launch of the window.
// The headless batch never installs it.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "app/fileintake.h"
#include "conversion/conversionrequest.h"
#include "conversion/jobstate.h"
#include "support/lockedfiles.h"

namespace tavrel {

class AppDelegate;
class ConversionJob;

struct JournalEntry
{
    ConversionRequest request; // without its inspection, which a restore makes anew
    // A journal of an earlier version names the audio track by its place in the list.
    std::optional<qint64> audioTrackIndex;
    qint32 state = Queued;
    QString partialOutput; // while converting or paused

    bool operator==(const JournalEntry &) const = default;
};

QByteArray journalBytes(const QList<JournalEntry> &entries);
// None when the bytes are not a journal; entries without a source or with an unknown state are left out.
std::optional<QList<JournalEntry>> journalEntries(const QByteArray &bytes);
// "~/.local/share/Tavrel/Queue.json"
QString jobJournalPath();

// What the next launch does with a journal.
struct RestorePlan
{
    QList<JournalEntry> restore;  // unfinished, source present: queued again from the beginning
    QStringList missingSources;   // unfinished, source gone: skipped with a note
    QStringList partialsToDelete; // every entry's partial output that is plainly one of ours
};
RestorePlan planRestore(const QList<JournalEntry> &entries, const std::function<bool(const QString &)> &sourceExists);
// Only a hidden ".tavrel-….partial.mp4" beside the destination, so a damaged journal cannot name
// another file for deletion.
bool isPartialOutputOf(const QString &partial, const QString &destination);
QString restoreQuestion(qsizetype count);

class JobJournal final : public QObject
{
    Q_OBJECT

public:
    // `scanner` reads a restored movie again; the intake's default when empty.
    JobJournal(AppDelegate &delegate, const QString &path, FileIntake::Scanner scanner = {});
    Q_DISABLE_COPY_MOVE(JobJournal)

    // Reads what an earlier run left, asks whether to restore it, deletes the partial outputs,
    // and from then on keeps the file up to date. While another window of the same user (in
    // another session) holds the journal, this one neither reads nor writes it. Restored movies are read off the main thread
    // and join the queue when all have been read (restoreFinished).
    void offerRestore();
    // The file stays as it is from here on: a termination signal (a logout, a shutdown, "kill")
    // quits by removing every job, and the next launch must still find them.
    void keepForNextLaunch() { m_kept = true; }

Q_SIGNALS:
    void restoreFinished();

private:
    void watch(ConversionJob *job);
    void write();
    void restoreScanned(const QList<std::shared_ptr<MKVFileInfo>> &infos);
    ConversionJob *restoredJob(const JournalEntry &entry, const std::shared_ptr<MKVFileInfo> &info,
                               QStringList &skipped);

    AppDelegate &m_delegate;
    QString m_path;
    FileIntake::Scanner m_scanner;
    QList<JournalEntry> m_pending; // being read again; kept in the file until they are queued
    bool m_writing = false;        // not before the earlier run's journal has been answered
    bool m_writeFailed = false;
    bool m_kept = false;
    FileLock m_lock; // held while this window keeps the journal
};

} // namespace tavrel
