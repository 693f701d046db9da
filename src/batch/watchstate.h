// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a watched folder has converted (or failed to convert), kept across restarts in
// $XDG_STATE_HOME/Tavrel/watched.json: one record per source path, with the size and
// modification time the source had then.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

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

// Reads the file; a missing file is an empty state, an unreadable or garbled one too (with
// `error` saying why).
WatchState loadWatchState(const QString &file, QString *error = nullptr);
// Writes the whole file at once (a crash leaves the old one), making its folder when missing.
bool saveWatchState(const QString &file, const WatchState &state, QString *error = nullptr);

} // namespace tavrel
