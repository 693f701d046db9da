// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the progress file that ffmpeg appends to, and filtering its console output.
#include <QByteArray>
#include <QString>

#include <optional>

namespace tavrel {

struct ProgressFileRead
{
    bool opened = false; // false: the file is not there (yet); the offset restarts at 0
    QByteArray text;     // complete lines added since `offset`
    quint64 offset = 0;  // where the next read starts
};

// The progress file's name for a movie: "<movie name>.log", its movie name cut (at a character)
// so that the whole fits a file name's 255 bytes with room for uniqueFile()'s "-N".
QString progressFileName(const QString &movieFileName);

// Reads what was appended since `offset`, up to its last line break: a line that ffmpeg has
// only half written stays for the next read.
ProgressFileRead readProgressFile(const QString &path, quint64 offset);

// The new progress (per cent, not clamped) from new progress-file text: the last
// "out_time_ms=" line in microseconds over the running time. None when that value is not
// above 0. A missing running time reads as 0 (the result is then infinite).
std::optional<float> progressFromText(const QString &text, std::optional<qint64> runtimeSeconds);

// What of a piece of console output is kept: every line except the statistics lines (those
// holding both "frame=" and "bitrate="), run together without line breaks.
QString keptOutput(const QString &text);
// The same lines for reading: each kept line ends with "\n" as it did with a line break ("\r",
// "\n" or "\r\n"); a last line without one is kept as it is, for the next piece to continue.
QString keptOutputLines(const QString &text);

} // namespace tavrel
