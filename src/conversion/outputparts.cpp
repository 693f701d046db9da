// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/outputparts.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tavrel {

namespace {

// The level 4.1 cap the re-encoder is given (-maxrate 50000k), in bits a second.
constexpr double kReencodedVideoBitRate = 50000.0 * 1000.0;

const QString kPartSeparator = QStringLiteral(" - Part ");

// Milliseconds, rounded down: ffmpeg cuts at the first keyframe at or after the time given, so a
// time rounded up could skip the keyframe it names.
QString secondsText(double seconds)
{
    return QString::number(std::floor(seconds * 1000.0) / 1000.0, 'f', 3);
}

QString timesText(const QList<double> &times)
{
    QStringList texts;
    for (double time : times)
        texts.append(secondsText(time));
    return texts.join(u',');
}

// The path up to its extension, and the extension with its dot ("" when there is none).
std::pair<QString, QString> splitExtension(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= slash + 1)
        return {path, QString()};
    return {path.left(dot), path.mid(dot)};
}

// The keyframe nearest `ideal` among those after `previous` that keep the part within
// `longest` seconds; the first after `previous` when the picture has none that close.
std::optional<double> keyframeCut(const QList<double> &keyframes, double previous, double ideal, double longest,
                                  double duration)
{
    std::optional<double> best;
    std::optional<double> firstLater;
    for (double time : keyframes) {
        if (time <= previous || time >= duration)
            continue;
        if (!firstLater || time < *firstLater)
            firstLater = time;
        if (time - previous <= longest && (!best || std::abs(time - ideal) < std::abs(*best - ideal)))
            best = time;
    }
    return best ? best : firstLater;
}

SplitDecision parts(quint64 limit)
{
    return {SplitDecision::Kind::Parts, limit, {}};
}

} // namespace

std::optional<quint64> parseSplitSize(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)(?:\\.(\\d+))?\\s*(?:([KMGT])(?:iB)?)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString unit = match.captured(3).toUpper();
    // A fraction of a byte means nothing.
    if (unit.isEmpty() && match.hasCaptured(2))
        return std::nullopt;
    const int power = unit.isEmpty() ? 0 : int(QStringLiteral("KMGT").indexOf(unit)) + 1;
    const quint64 multiplier = 1ull << (10 * power);
    bool ok = false;
    const quint64 whole = match.captured(1).toULongLong(&ok);
    if (!ok || whole > std::numeric_limits<quint64>::max() / multiplier)
        return std::nullopt;
    quint64 bytes = whole * multiplier;
    if (match.hasCaptured(2)) {
        const double fraction = QString(QStringLiteral("0.") + match.captured(2)).toDouble();
        const auto extra = quint64(std::floor(fraction * double(multiplier)));
        if (bytes > std::numeric_limits<quint64>::max() - extra)
            return std::nullopt;
        bytes += extra;
    }
    if (bytes < kSmallestPartLimit)
        return std::nullopt;
    return bytes;
}

QString partPath(const QString &destination, int number)
{
    const auto [stem, extension] = splitExtension(destination);
    return stem + kPartSeparator + QString::number(number) + extension;
}

QString partPattern(const QString &destination)
{
    auto [stem, extension] = splitExtension(destination);
    stem.replace(u'%', QStringLiteral("%%"));
    extension.replace(u'%', QStringLiteral("%%"));
    return stem + kPartSeparator + QStringLiteral("%d") + extension;
}

double copiedByteRate(qint64 sourceBitRate)
{
    return double(std::max<qint64>(sourceBitRate, 0)) / 8.0;
}

double reencodedByteRate(qint64 audioBitRate)
{
    return (kReencodedVideoBitRate + double(std::max<qint64>(audioBitRate, 0))) / 8.0;
}

bool mayReach(quint64 estimatedBytes, quint64 limit)
{
    return estimatedBytes > partTarget(limit);
}

CutPlan planCuts(double durationSeconds, double bytesPerSecond, quint64 limit, const QList<double> &keyframeTimes)
{
    CutPlan plan;
    if (!(durationSeconds > 0.0) || !(bytesPerSecond > 0.0) || !std::isfinite(durationSeconds)
        || !std::isfinite(bytesPerSecond))
        return plan;
    const double target = double(partTarget(std::max(limit, kSmallestPartLimit)));
    const double longest = target / bytesPerSecond;
    double previous = 0.0;
    while ((durationSeconds - previous) * bytesPerSecond > target) {
        // What is left, shared evenly, so the last part is not a short remainder.
        const double remaining = durationSeconds - previous;
        const double partsLeft = std::ceil(remaining * bytesPerSecond / target);
        const double ideal = previous + remaining / partsLeft;
        double cut = ideal;
        if (!keyframeTimes.isEmpty()) {
            const std::optional<double> keyframe =
                keyframeCut(keyframeTimes, previous, ideal, longest, durationSeconds);
            if (!keyframe)
                break;
            cut = *keyframe;
        }
        plan.cutTimes.append(cut);
        previous = cut;
    }
    return plan;
}

QStringList segmentOutputArguments(const QList<double> &cutTimes, const QString &partPattern, bool reencodesVideo)
{
    QStringList args;
    // Without a keyframe at a cut the segment muxer moves the cut to the next one, which a
    // re-encoded picture may place many seconds later.
    if (reencodesVideo && !cutTimes.isEmpty())
        args << QStringLiteral("-force_key_frames") << timesText(cutTimes);
    // Left to the MP4 muxer, as for a single file: otherwise the first part's timestamps are
    // all moved later by the picture's reordering delay, out of step with the other parts.
    args << QStringLiteral("-avoid_negative_ts") << QStringLiteral("disabled");
    args << QStringLiteral("-f") << QStringLiteral("segment") << QStringLiteral("-segment_format")
         << QStringLiteral("mp4");
    // The muxer's default without times is a part every two seconds; no cuts means one part.
    if (cutTimes.isEmpty())
        args << QStringLiteral("-segment_time") << QStringLiteral("1000000000");
    else
        args << QStringLiteral("-segment_times") << timesText(cutTimes);
    // Numbered from 1, and each part's timestamps from 0 so it plays as a movie of its own.
    args << QStringLiteral("-segment_start_number") << QStringLiteral("1") << QStringLiteral("-reset_timestamps")
         << QStringLiteral("1") << partPattern;
    return args;
}

QStringList recutArguments(const QString &partFile, double middle, const QString &halvesPattern)
{
    QStringList args{QStringLiteral("-i"),        partFile,
                     QStringLiteral("-map"),      QStringLiteral("0"),
                     QStringLiteral("-c"),        QStringLiteral("copy"),
                     QStringLiteral("-loglevel"), QStringLiteral("warning"),
                     QStringLiteral("-y")};
    args << segmentOutputArguments({middle}, halvesPattern, false);
    return args;
}

std::optional<SplitChoice> parseSplitChoice(const QString &text)
{
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("auto"))
        return SplitChoice{SplitChoice::Mode::Auto, 0};
    if (word == QLatin1String("never"))
        return SplitChoice{SplitChoice::Mode::Never, 0};
    if (const std::optional<quint64> size = parseSplitSize(text))
        return SplitChoice{SplitChoice::Mode::Size, *size};
    return std::nullopt;
}

SplitDecision decideSplit(std::optional<quint64> maximumFileSize, bool splitSetting, const SplitChoice &choice,
                          quint64 estimatedBytes)
{
    // A part stays 1 MiB under the volume's largest file, room for the index written last.
    std::optional<quint64> volumeLimit;
    if (maximumFileSize)
        volumeLimit =
            std::max(*maximumFileSize >= kMebibyte ? *maximumFileSize - kMebibyte + 1 : 0, kSmallestPartLimit);

    if (choice.mode == SplitChoice::Mode::Size) {
        const quint64 limit = volumeLimit ? std::min(choice.size, *volumeLimit) : choice.size;
        return mayReach(estimatedBytes, limit) ? parts(limit) : SplitDecision{};
    }
    if (!volumeLimit)
        return {};
    if (choice.mode == SplitChoice::Mode::Auto && splitSetting)
        return mayReach(estimatedBytes, *volumeLimit) ? parts(*volumeLimit) : SplitDecision{};
    // Not splitting: the same refusal as before splitting existed, for an output past the limit.
    if (estimatedBytes > *maximumFileSize)
        return {SplitDecision::Kind::Refuse, 0, QStringLiteral("Your target disk doesn't support large files.")};
    return {};
}

} // namespace tavrel
