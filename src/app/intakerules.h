// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plain rules of the file intake: extensions, subtitle keys, the MPEG program stream test and
// the output name.
#include <QString>
#include <QStringList>

namespace tavrel {

// The movie extensions, in their order, and the subtitle extensions the open panel allows.
QStringList defaultMovieFileTypes();
QStringList subtitleFileTypes(); // "srt", "ass", "ssa", "smi", "sub"
// "srt", "ass", "ssa" or "smi".
bool isTextSubtitleFile(const QString &path);
// A "sub" file that is text (MicroDVD), not a DVD's MPEG program stream.
bool isTextSubFile(const QString &path);

// The last extension of the path's last component, lower-cased; empty when there is none.
QString lowerExtension(const QString &path);
// The path without its last extension (unchanged when there is none).
QString pathWithoutExtension(const QString &path);
// The keys a subtitle file is registered under: the path without its last extension and without
// its last two (Movie.en.srt -> Movie.en, Movie; Movie.srt -> Movie, Movie).
QStringList subtitleKeys(const QString &path);
bool hasExtensionIn(const QString &path, const QStringList &lowerCaseExtensions);
// Whether a file starts with the MPEG program stream pack header 00 00 01 BA. A file that cannot
// be read, or is shorter than four bytes, is not one.
bool isMpegProgramStream(const QString &path);
// The record's file name with its extension replaced by "mp4".
QString outputFileName(const QString &fileName);
// A save-panel choice with the "mp4" extension (any letter case) added when it has another.
QString withMp4Extension(const QString &path);
// A movie name that came through a QString with bytes that are not UTF-8 (common on disks copied
// from old systems): it cannot be opened, and the user is asked to rename it.
bool hasUndecodableName(const QString &path);
// A file that exists but is no regular file (a pipe, a device, a socket): reading it could block
// for ever, so it is refused at intake.
bool isSpecialFile(const QString &path);
QString specialFilesMessage(const QStringList &paths);
QString undecodableNamesMessage(const QStringList &paths);
// The path with symbolic links, "." and ".." resolved as far as the file or its folder exists,
// so that two names of one file compare equal.
QString canonicalPath(const QString &path);

// What closing the main window would throw away: the jobs not yet ended and the movies not yet
// added. Empty when there is nothing.
QString discardedWorkMessage(qsizetype converting, qsizetype paused, qsizetype queued, qsizetype movies);

} // namespace tavrel
