// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the chosen audio track is carried into the MP4 file: copied or re-encoded to AC3.
#include <QString>

#include <optional>

#include "inspection/streamreport.h"

namespace tavrel {

struct AudioPlan
{
    bool hasAudio = false; // false: no track chosen, nothing is mapped
    int streamId = 0;
    QString codecWord;     // "aac", "ac3", "dts", ...
    QString language;      // "eng"
    bool surround = false; // more than two channels
    bool slowmode = false; // re-encode to AC3
    // The source's container keeps AAC apart from its decoder configuration: a copy never needs
    // the ADTS filter, whatever the fix-up test would run.
    bool fixupKnownNeedless = false;

    QString outputCodec() const { return slowmode ? QStringLiteral("ac3") : QStringLiteral("copy"); }
    // A copied AAC track gets the one-second fix-up test first, unless its answer is known.
    bool wantsFixupTest() const
    {
        return hasAudio && !slowmode && codecWord == QLatin1String("aac") && !fixupKnownNeedless;
    }
};

// Whether AAC read from this container (ffmpeg's format names, "matroska,webm") comes as raw
// frames with its decoder configuration apart, so that copying it into MP4 never needs the ADTS
// filter. MPEG-TS and raw AAC carry ADTS headers: whether the filter is needed then depends on
// the ffmpeg (5.1 inserts it by itself), so the test must ask.
bool aacComesRaw(const QString &container);

// The track of that stream id; none without an id or when the movie has no such audio stream.
// AAC the console cannot play (more than two channels, not LC, an odd sample rate) is re-encoded.
AudioPlan audioPlan(const QList<AudioTrackFacts> &tracks, std::optional<int> streamId, qint64 ac3Downmix);

} // namespace tavrel
