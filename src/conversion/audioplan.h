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

    QString outputCodec() const { return slowmode ? QStringLiteral("ac3") : QStringLiteral("copy"); }
    // A copied AAC track gets the one-second fix-up test first.
    bool wantsFixupTest() const { return hasAudio && !slowmode && codecWord == QLatin1String("aac"); }
};

// The track of that stream id; none without an id or when the movie has no such audio stream.
// AAC the console cannot play (more than two channels, not LC, an odd sample rate) is re-encoded.
AudioPlan audioPlan(const QList<AudioTrackFacts> &tracks, std::optional<int> streamId, qint64 ac3Downmix);

} // namespace tavrel
