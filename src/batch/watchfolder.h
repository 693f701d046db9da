// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A watched folder (tavrel --batch --watch IN --output OUT): every movie that arrives below IN is
// converted once it is complete, one at a time, through the batch's controller and monitor; what
// was converted is kept in the state file so that a restart converts nothing twice.
#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

#include <functional>

#include "batch/batchoptions.h"
#include "batch/watchstate.h"

namespace tavrel {

class AppDelegate;
class BatchMonitor;

// How long a file's size and modification time must stay unchanged before it counts as complete.
// TAVREL_WATCH_SETTLE_MS shortens it (for tests).
constexpr qint64 kWatchSettleMs = 5000;
// A full rescan, for file systems whose changes are not announced (network mounts).
constexpr int kWatchRescanMs = 60000;

// A file as it was last seen, and since when (milliseconds on a steady clock) it has looked so.
struct Sighting
{
    FileStamp stamp;
    qint64 since = 0;
};
using Sightings = QHash<QString, Sighting>;

// The sightings after a scan at `now`: a new or changed file is seen anew, a file gone is
// forgotten, an unchanged one keeps its time.
Sightings updatedSightings(const Sightings &earlier, const QHash<QString, FileStamp> &scan, qint64 now);

// A movie to hand over, with the subtitle files of its name beside it.
struct WatchCandidate
{
    QString movie;
    QStringList subtitles;
    friend bool operator==(const WatchCandidate &, const WatchCandidate &) = default;
};

struct WatchDecision
{
    QList<WatchCandidate> ready; // settled, nobody writing them, not handled before; by path
    QStringList waiting;         // movies still settling or being written
    qsizetype handledBefore = 0; // movies converted (or failed) before, unchanged since
    qint64 nextCheck = -1;       // ms until a waiting movie may be ready; -1: nothing waits
};

// What to do with the sighted movies: a movie is ready when it and its subtitle files have kept
// their stamp for `settle` ms and none of them is in `writing`.
WatchDecision decideWatch(const Sightings &sightings, const QSet<QString> &writing, const WatchState &state, qint64 now,
                          qint64 settle);

// Whether a /proc/<pid>/fdinfo/<fd> text shows a descriptor opened for writing.
bool fdInfoOpensForWriting(const QByteArray &fdinfo);
// Of `paths` (canonical), those a process has open for writing, as `procRoot` tells. Processes
// that cannot be looked into count as not writing: nothing waits for ever on them.
QSet<QString> filesOpenForWriting(const QSet<QString> &paths, const QString &procRoot = QStringLiteral("/proc"));

// The movies and subtitle files below `folder`, hidden ones and the `skip` folder left out.
// `entering` is called with each folder before it is listed (so a watch set on it misses nothing).
QHash<QString, FileStamp> scanWatchedFolder(const QString &folder, const QString &skip,
                                            const std::function<void(const QString &)> &entering);

// What a handed-over movie's end means for it.
enum class WatchOutcome {
    Converted,     // recorded: not converted again
    Failed,        // recorded: tried again only once it changes
    WaitForRoom,   // not recorded: tried again once its output folder's disk has more room
    WaitForOutput, // not recorded: tried again once the output folder is back
    Gone,          // not recorded: the movie went while it converted
};
// `jobOutput` and `outputProblem` are the failed job's (empty when no job was made).
WatchOutcome watchOutcome(bool converted, bool sourceExists, bool outputAvailable, const QString &jobOutput,
                          const QString &outputProblem);

// Watches the folder and hands its complete movies to the controller one at a time.
class FolderWatch final : public QObject
{
    Q_OBJECT

public:
    FolderWatch(AppDelegate &delegate, BatchMonitor &monitor, const QString &folder, const QString &outputFolder,
                const QString &stateFile, qint64 settleMs);

    // Takes the folder's lock and reads and writes the state once; the exit status when the watch
    // cannot run: 2 when another watch has the folder, 1 when the state cannot be written.
    int prepare();
    void start();
    // From now on nothing is handed over or recorded (the process is ending).
    void stop() { m_stopped = true; }

private:
    void scheduleScan(qint64 delay);
    void scan();
    // Whether the watched folder is there; when it is not, its nearest folder is watched instead.
    bool watchedFolderPresent();
    // Whether the output folder is there, on the disk it was on at the start.
    bool outputAvailable();
    // Whether a movie that failed for want of room may be tried again.
    bool hasRoomAgain(const QString &movie);
    // A movie already converted into the output folder by a run that could not record it.
    bool adoptEarlierOutput(const WatchCandidate &candidate);
    void handOver(const WatchCandidate &candidate);
    void handOverEnded();
    WatchOutcome outcomeOf(const QString &movie);
    bool record(const QString &movie, const WatchRecord &record);
    void watchNearestFolder(const QString &path);
    quint64 outputFreeBytes() const;

    FileLock m_folderLock;
    qint64 m_outputDevice = -1;
    QString m_nearestWatched; // a folder above a missing IN or OUT, watched for its return
    bool m_folderMissing = false;
    bool m_outputMissing = false;
    QHash<QString, quint64> m_waitingForRoom; // the output disk's free bytes when the movie failed
    QSet<QString> m_presentAtStart;           // unrecorded movies of the first scan

    AppDelegate &m_delegate;
    BatchMonitor &m_monitor;
    QString m_folder;
    QString m_outputFolder;
    QString m_stateFile;
    qint64 m_settle;
    QFileSystemWatcher m_watcher;
    QTimer m_scanTimer;
    QTimer m_rescanTimer;
    QElapsedTimer m_clock;
    Sightings m_sightings;
    WatchState m_state;
    QSet<QString> m_announcedWriting;
    QString m_current; // the movie handed over, until its job has ended
    FileStamp m_currentStamp;
    bool m_firstScanDone = false;
    bool m_stopped = false;
    QTextStream m_out;
    QTextStream m_err;
};

// Runs the watch until a termination signal; returns the exit status (0 when stopped so).
int runWatch(AppDelegate &delegate, BatchMonitor &monitor, const BatchOptions &options);

} // namespace tavrel
