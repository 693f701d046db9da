// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The character encoding of a subtitle file, for ffmpeg's "-sub_charenc": ffmpeg reads text
// subtitles as UTF-8 (or as UTF-16 with a byte-order mark) and fails on anything else.
#include <QByteArray>
#include <QString>

#include <optional>

namespace tavrel {

// The encoding to name for these bytes; empty when ffmpeg reads them as they are (UTF-8 with or
// without a byte-order mark, ASCII, UTF-16 with a byte-order mark). What the detector cannot
// place is read in `localeEncoding` unless that is UTF-8, else as Windows-1252.
QString subtitleEncodingFor(const QByteArray &bytes, const QByteArray &localeEncoding);

// The choice for bytes that are not UTF-8, given what the detector said of them (empty: nothing).
QString encodingFromDetection(const QString &detected, const QByteArray &bytes, const QByteArray &localeEncoding);

// A subtitle file is judged by its first part.
constexpr qint64 kSubtitleSampleLength = 4 * 1024 * 1024;

// The session's LC_CTYPE encoding ("UTF-8", "ISO-8859-15"), without changing this process's locale.
QByteArray localeEncoding();

bool hasUtf16ByteOrderMark(const QByteArray &bytes);
// The text as UTF-8 when it is UTF-16 with a byte-order mark; none otherwise.
std::optional<QByteArray> utf8FromUtf16(const QByteArray &bytes);

} // namespace tavrel
