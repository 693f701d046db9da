// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a watched folder has converted (or failed to convert), kept across restarts in
// $XDG_STATE_HOME/Tavrel/watched.json: one record per source path, with the size and
// modification time the source had then.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

#include "support/lockedfiles.h"

namespace tavrel {

// A file's size and modification time (milliseconds since the epoch): a source that changes
// either is a new source.
struct FileStamp
{
    qint64 size = -1;
    qint64 modified = 0;
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

struct WatchRecord
{
    FileStamp stamp;
    bool converted = false; // false: it failed, and is tried again only once it changes
    friend bool operator==(const WatchRecord &, const WatchRecord &) = default;
};

using WatchState = QHash<QString, WatchRecord>; // by absolute source path

// The state file: under $XDG_STATE_HOME when it is an absolute path, else ~/.local/state.
QString watchStateFile(const QString &xdgStateHome, const QString &home);

QByteArray encodeWatchState(const WatchState &state);
// Nothing when the text is not a state file; records that make no sense are left out.
std::optional<WatchState> decodeWatchState(const QByteArray &text);

// Whether the source, as it is now, was converted or failed already.
bool isHandledAlready(const WatchState &state, const QString &path, const FileStamp &stamp);

// Reads the file; a missing file is an empty state. One that cannot be read or is no state file
// is kept aside as "<file>.broken" and counts as empty, with `error` saying so.
WatchState loadWatchState(const QString &file, QString *error = nullptr);
// The records of the sources in `folder` or below it.
WatchState watchRecordsBelow(const WatchState &state, const QString &folder);
// Writes `records`, every record of the watched `folder`, into the file, keeping the other
// folders' records found there (the watches of other folders share the file). The whole file is
// written or, on any failure, the old one stays; the folder is made when missing.
bool saveWatchState(const QString &file, const QString &folder, const WatchState &records, QString *error = nullptr);
// Held while a watch of `folder` runs: two watches of one folder would convert each movie twice.
// Not locked when another watch holds it (or the lock cannot be made: `error` says why).
FileLock lockWatchedFolder(const QString &stateFile, const QString &folder, QString *error);

} // namespace tavrel
