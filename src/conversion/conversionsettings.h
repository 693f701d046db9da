#pragma once
// The settings a conversion reads, gathered in one value: the job is handed them, so neither it
// nor the plain functions read the store.
#include <QString>
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
};

// Bitrate table entries; an index outside 0-3 counts as the registered default 1.
QString stereoBitrate(qint64 index);
QString surroundBitrate(qint64 index);

} // namespace tavrel
