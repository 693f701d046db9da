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
bool isPartialOutputName(const QString &fileName);
// Deletes the partial output unless a running job holds it; whether it was deleted.
bool removeAbandonedPartial(const QString &path);
// Deletes every partial output in the folder that no running job holds; their paths.
QStringList removeAbandonedPartials(const QString &folder);

// Moves `partial` to `destination`, or, when that name is taken (by a file, or by `isTaken`), to
// the next free name uniqueFile() gives. The new file gets the permissions a new file gets here.
FileOutcome publishOutput(const QString &partial, const QString &destination,
                          const std::function<bool(const QString &)> &isTaken);

} // namespace tavrel
