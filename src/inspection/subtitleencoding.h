#pragma once
// The character encoding of a subtitle file, for ffmpeg's "-sub_charenc": ffmpeg reads text
// subtitles as UTF-8 (or as UTF-16 with a byte-order mark) and fails on anything else.
#include <QByteArray>
#include <QString>

namespace tavrel {

// The encoding to name for these bytes; empty when ffmpeg reads them as they are (UTF-8 with or
// without a byte-order mark, ASCII, UTF-16 with a byte-order mark). What the detector cannot
// place is read in `localeEncoding` unless that is UTF-8, else as Windows-1252.
QString subtitleEncodingFor(const QByteArray &bytes, const QByteArray &localeEncoding);

// The choice for bytes that are not UTF-8, given what the detector said of them (empty: nothing).
QString encodingFromDetection(const QString &detected, const QByteArray &bytes, const QByteArray &localeEncoding);

// The same for a file, with the session's locale encoding; empty when it cannot be read.
QString subtitleFileEncoding(const QString &path);

} // namespace tavrel
