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
};

// The x264 presets, fastest first.
const QStringList &videoSpeeds();

// Bitrate table entries; an index outside 0-3 counts as the registered default 1.
QString stereoBitrate(qint64 index);
QString surroundBitrate(qint64 index);

} // namespace tavrel
