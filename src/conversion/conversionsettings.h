// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings a conversion reads, gathered in one value: the job is handed them, so neither it
// nor the plain functions read the store.
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace tavrel {

struct ConversionSettings
{
    qint64 ac3Downmix = 0;
    qint64 dtsDownmix = 0;
    qint64 disableBuiltinSubtitles = 1;
    qint64 ac3StereoBitrate = 1;
    qint64 ac3SurroundBitrate = 1;
    qint64 markLevel41 = 1;
    // A picture the console cannot play is encoded with x264 at this quality (CRF) and speed
    // (preset); picture subtitles are burned in: 0 never, 1 a forced track, 2 the first track,
    // each in the chosen audio track's language.
    qint64 reencodeVideo = 1;
    qint64 videoQuality = 20;
    QString videoSpeed = QStringLiteral("fast");
    qint64 burnInSubtitles = 1;
    qint64 splitLargeOutputs = 1;
};

// x264's quality (CRF) range. 0 would be lossless, which the High profile the console plays
// cannot carry: every re-encode would fail.
inline constexpr int kBestVideoQuality = 1;
inline constexpr int kWorstVideoQuality = 51;
// A stored quality outside the range counts as its nearest end.
int videoQualityInRange(qint64 quality);

// The x264 presets, fastest first.
const QStringList &videoSpeeds();

// Bitrate table entries; an index outside 0-3 counts as the registered default 1.
QString stereoBitrate(qint64 index);
QString surroundBitrate(qint64 index);

} // namespace tavrel
