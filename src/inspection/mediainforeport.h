// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading "mediainfo --Output=XML" alone: the streams ffmpeg's report would list and the
// picture's facts, in ffmpeg's words, so that the check of a converted file needs one tool run.
// Pure, so tests feed it recorded output.
#include <QString>

#include <optional>

#include "inspection/playability.h"
#include "inspection/streamreport.h"

namespace tavrel {

struct MediainfoReport
{
    // The video stream's id, the audio tracks (descriptions and facts), the subtitle tracks and
    // the running time; the rest is left empty.
    StreamReport streams;
    std::optional<VideoFacts> video; // the first video track's; none without one
};

MediainfoReport parseMediainfoReport(const QString &xml);

} // namespace tavrel
