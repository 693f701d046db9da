// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing an output too large for its volume as several complete MP4 files, "Movie - Part 1.mp4",
// "Movie - Part 2.mp4", ..., each starting at time 0 and cut at a keyframe. Pure functions: the
// sizes, the names, where to cut, ffmpeg's arguments and whether to split at all.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

constexpr quint64 kMebibyte = 1024ull * 1024ull;
constexpr quint64 kGibibyte = 1024ull * kMebibyte;

// FAT32 holds files of up to 4 GiB - 1 byte; a part never goes past 4 GiB - 1 MiB, which leaves
// room for the index ffmpeg writes after the last sample.
constexpr quint64 kFatPartLimit = 4 * kGibibyte - kMebibyte;

// What the cuts aim at for parts of at most `limit` bytes: 2.5% under it, so a stretch busier
// than the average still ends under the limit.
constexpr quint64 partTarget(quint64 limit)
{
    return limit / 40 * 39;
}
// About 3.9 GiB.
constexpr quint64 kFatPartTarget = partTarget(kFatPartLimit);

// The smallest part size accepted: a part must hold at least a few seconds of picture.
constexpr quint64 kSmallestPartLimit = kMebibyte;

// "4G", "700M", "1.5G", "512K", "3T", "4GiB", or plain bytes; binary units (K = 1024). None for 0,
// negatives, sizes below kSmallestPartLimit, overflow and anything else.
std::optional<quint64> parseSplitSize(const QString &text);

// "/dir/Movie.mp4", 2 -> "/dir/Movie - Part 2.mp4".
QString partPath(const QString &destination, int number);
// The same name as ffmpeg's segment pattern: "/dir/Movie - Part %d.mp4", any '%' doubled.
QString partPattern(const QString &destination);

// Bytes a second the output is expected to take. A copied picture keeps the source's rate (all of
// its tracks, so the estimate errs high); a re-encoded one is taken at its encoder's cap.
double copiedByteRate(qint64 sourceBitRate);
double reencodedByteRate(qint64 audioBitRate);
// The most the audio of an output takes: AC3 at its highest rate.
constexpr qint64 kLargestAudioBitRate = 640000;

// Whether an output of `estimatedBytes` may not fit in parts of at most `limit` bytes.
bool mayReach(quint64 estimatedBytes, quint64 limit);

struct CutPlan
{
    QList<double> cutTimes; // seconds from the output's start, ascending; empty: one file
    int parts() const { return int(cutTimes.size()) + 1; }
};

// Where to cut an output of `durationSeconds` at `bytesPerSecond` so each part stays near or
// under partTarget(limit), the parts about equal in length. With the source's keyframe times
// (seconds from the output's start) every cut falls on one of them; without, ffmpeg moves each
// cut to the next keyframe, which the re-encoder is told to place there.
CutPlan planCuts(double durationSeconds, double bytesPerSecond, quint64 limit, const QList<double> &keyframeTimes = {});

// The output-side arguments that replace the single output path at the end of the conversion's
// arguments: all parts in one run, numbered from 1, each with its timestamps from 0.
// `reencodesVideo` places keyframes at the cuts; a copied picture has its own.
QStringList segmentOutputArguments(const QList<double> &cutTimes, const QString &partPattern, bool reencodesVideo);

// A part that came out larger than its limit, cut into two at the keyframe at or after `middle`
// seconds, without re-encoding: the whole argument list (the program not included). The two
// halves go to `halvesPattern` numbered 1 and 2; cut again any half still too large.
QStringList recutArguments(const QString &partFile, double middle, const QString &halvesPattern);

// The batch's "--split auto|never|SIZE".
struct SplitChoice
{
    enum class Mode { Auto, Never, Size };
    Mode mode = Mode::Auto;
    quint64 size = 0; // Size only

    bool operator==(const SplitChoice &) const = default;
};

// "auto", "never" or a size as parseSplitSize reads it; none for anything else.
std::optional<SplitChoice> parseSplitChoice(const QString &text);

struct SplitDecision
{
    enum class Kind { OneFile, Parts, Refuse };
    Kind kind = Kind::OneFile;
    quint64 partLimit = 0; // Parts: no part may be larger
    QString refusal;       // Refuse: the alert message
};

// One file, parts, or the refusal, from the destination volume's maximum file size (none for
// file systems without one), the setting that allows splitting, the batch's choice (Auto where
// there is none) and the output's estimated size. A size chosen in the batch splits on any
// volume and overrides the setting; "never" and a setting that is off keep today's refusal on a
// volume whose limit the output may reach.
SplitDecision decideSplit(std::optional<quint64> maximumFileSize, bool splitSetting, const SplitChoice &choice,
                          quint64 estimatedBytes);

} // namespace tavrel
