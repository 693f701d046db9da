// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A headless batch: the controller and its jobs without a window, alerts on the error stream,
// one line per job, and an exit status that says whether every movie was converted.
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTextStream>

#include "batch/batchoptions.h"

namespace tavrel {

class AppDelegate;
class ConversionJob;

// "Holiday.mkv: 42% (ETA: 00:03:12)"
QString batchProgressLine(const QString &fileName, float progress, double elapsedSeconds);
// Why a failed job failed, in one line: what its output check found, else ffmpeg's last words.
QString batchFailureReason(const ConversionJob &job);
// " in 3 parts" after the output's name when the movie was saved in parts; empty otherwise.
QString partsText(const ConversionJob &job);

// Runs under a QCoreApplication; needs no display and no session bus. Returns the exit status.
// With --help or --version it prints the usage or the version and returns 0.
int runBatch(const BatchOptions &options);

// Follows the controller's jobs and tells the terminal about them; decides when the batch is over.
class BatchMonitor final : public QObject
{
    Q_OBJECT

public:
    BatchMonitor(AppDelegate &delegate, const QStringList &movies, bool terminal);

    // 0 when every movie has a finished job and no job failed, else 1.
    int exitStatus() const;
    // Looks, once the controller's current step is done, whether anything is left to do.
    void scheduleEndCheck();
    // Starts over for the movies a watched folder hands over: batchEnded comes again once they
    // are done, without a "Not converted" line (the job's own line has told).
    void watchFor(const QStringList &movies);

Q_SIGNALS:
    void batchEnded();

private:
    void follow(ConversionJob *job);
    void jobStateChanged(ConversionJob *job);
    void checkEnd();
    // A reader that has gone (a closed pipe) costs its lines, never the batch.
    static bool writable(const QTextStream &stream) { return stream.status() == QTextStream::Ok; }

    AppDelegate &m_delegate;
    QStringList m_movies;
    bool m_terminal;
    QTextStream m_out;
    QTextStream m_err;
    QSet<QString> m_finishedSources;
    bool m_anyFailed = false; // one movie given twice may finish once and fail once
    QHash<ConversionJob *, QElapsedTimer> m_started;
    bool m_checkScheduled = false;
    bool m_ended = false;
    bool m_reportUnconverted = true;
};

} // namespace tavrel
