// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The output file's name belongs to its job: ffmpeg writes a hidden file of the job's own in the
// destination folder, and only a finished, checked file is moved to the final name, which it
// never replaces and never reaches through a symbolic link.
#include <QString>
#include <QStringList>

#include <functional>

#include "support/lockedfiles.h"

namespace tavrel {

struct FileOutcome
{
    QString path;  // the file made or the name used; empty on failure
    QString error; // why not, in words
};

// A hidden file that ffmpeg writes, and the lock that marks it as a running job's: a partial
// output nobody holds belongs to a run that has ended (a crash, a kill, a power cut).
struct PartialOutput
{
    QString path;  // empty on failure
    QString error; // why not, in words
    FileLock lock;
};

// Creates an empty file of a new name in the folder (".tavrel-XXXXXX.partial.mp4"), exclusively,
// and locks it.
PartialOutput createPartialOutput(const QString &folder);
// A partial output, or one of the parts written beside it (".tavrel-XXXXXX.partial-2.mp4").
bool isPartialOutputName(const QString &fileName);
// The segment pattern of a partial output's parts, and the parts on disk, in order.
QString partialPartPattern(const QString &partial);
QStringList partialParts(const QString &partial);
// Deletes the partial output (or part) unless a running job holds it, and a partial output's
// parts with it; whether it was deleted.
bool removeAbandonedPartial(const QString &path);
// Deletes every partial output in the folder that no running job holds; their paths.
QStringList removeAbandonedPartials(const QString &folder);

// Moves `partial` to `destination`, or, when that name is taken (by a file, or by `isTaken`), to
// the next free name uniqueFile() gives. The new file gets the permissions a new file gets here.
FileOutcome publishOutput(const QString &partial, const QString &destination,
                          const std::function<bool(const QString &)> &isTaken);

struct PartsOutcome
{
    QStringList paths; // the parts' names, in order; empty on failure
    QString error;
};

// Moves every part to "<name> - Part N.mp4" after the destination's name, all or none: when any
// of those names is taken, all of them go after the next free name instead.
PartsOutcome publishParts(const QStringList &partials, const QString &destination,
                          const std::function<bool(const QString &)> &isTaken);

} // namespace tavrel
