// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/progressmonitor.h"

#include <QFile>

#include "support/strings.h"

namespace tavrel {

QString progressFileName(const QString &movieFileName)
{
    constexpr qsizetype kMaxBytes = 255 - 12; // ".log", "-N" and an ellipsis
    const QString suffix = QStringLiteral(".log");
    if (movieFileName.toUtf8().size() <= kMaxBytes)
        return movieFileName + suffix;
    QString cut;
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < movieFileName.size();) {
        // A surrogate pair is one character: never split it.
        const qsizetype length = movieFileName.at(i).isHighSurrogate() && i + 1 < movieFileName.size() ? 2 : 1;
        const qsizetype size = movieFileName.mid(i, length).toUtf8().size();
        if (bytes + size > kMaxBytes - 3)
            break;
        cut += movieFileName.mid(i, length);
        bytes += size;
        i += length;
    }
    return cut + QChar(0x2026) + suffix;
}

ProgressFileRead readProgressFile(const QString &path, quint64 offset)
{
    ProgressFileRead result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    result.opened = true;
    // A file that shrank was written anew: read it from its start.
    if (offset > quint64(file.size()))
        offset = 0;
    result.offset = offset;
    if (!file.seek(qint64(offset)))
        return result;
    const QByteArray added = file.readAll();
    const qsizetype end = std::max(added.lastIndexOf('\n'), added.lastIndexOf('\r')) + 1;
    result.text = added.left(end);
    result.offset = offset + quint64(end);
    return result;
}

std::optional<float> progressFromText(const QString &text, std::optional<qint64> runtimeSeconds)
{
    static const QString key = QStringLiteral("out_time_ms=");
    double seconds = 0.0;
    const QStringList all = lines(text);
    for (auto it = all.crbegin(); it != all.crend(); ++it) {
        if (it->startsWith(key)) {
            seconds = doubleValue(it->mid(key.size())) / 1000000.0;
            break;
        }
    }
    if (!(seconds > 0.0))
        return std::nullopt;
    return float(seconds / double(runtimeSeconds.value_or(0)) * 100.0);
}

QString keptOutput(const QString &text)
{
    QString kept;
    for (const QString &line : lines(text)) {
        if (contains(line, QStringLiteral("frame=")) && contains(line, QStringLiteral("bitrate=")))
            continue;
        kept += line;
    }
    return kept;
}

QString keptOutputLines(const QString &text)
{
    QString kept;
    qsizetype start = 0;
    auto take = [&](qsizetype end, bool lineBreak) {
        const QString line = text.mid(start, end - start);
        if (contains(line, QStringLiteral("frame=")) && contains(line, QStringLiteral("bitrate=")))
            return;
        kept += line;
        if (lineBreak)
            kept += QLatin1Char('\n');
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        take(i, true);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        take(text.size(), false);
    return kept;
}

} // namespace tavrel
