// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Re-encoding a picture the console cannot play: x264 High profile at level 4.1, 8-bit 4:2:0,
// scaled down to fit, and a picture subtitle burned in when one is wanted.
#include <QString>
#include <QStringList>

#include <optional>

#include "conversion/audioplan.h"
#include "conversion/conversionsettings.h"
#include "inspection/mkvfileinfo.h"

namespace tavrel {

// The preset to use: the setting's, or "fast" when x264 does not know it.
QString x264Preset(const ConversionSettings &settings);

// The setting allows it and the picture will not play as it is: it needs more than the level
// flag, or it needs the flag and marking is off.
bool reencodesVideo(const MKVFileInfo &info, const ConversionSettings &settings);

// Within 1920x1080 (1280x720 above 30 frames a second), even, never larger than the source as
// shown (upright); the display aspect ratio is kept.
PictureSize encodedSize(const VideoFacts &facts);

// The filters the picture goes through after ffmpeg has turned it upright: deinterlace, scale,
// colours to BT.709, frame rate ("bwdif=mode=send_frame:parity=tff,scale=1280:720,fps=60");
// empty when none.
QString videoFilterChain(const VideoFacts &facts);

// What follows "-vcodec libx264": preset, quality, profile, level, pixel format, reference
// frames and the level's rate limits, BT.709 tags when the colours were converted, then "-vf"
// with the filters unless a subtitle is burned in (the filters then go into the overlay's graph).
QStringList x264Arguments(const VideoFacts &facts, const ConversionSettings &settings, bool burnsSubtitle);

// The picture subtitle to burn in: only when the picture is re-encoded, in the audio track's
// language, forced (setting 1) or the first one (setting 2).
std::optional<PictureSubtitle> burnedSubtitle(const MKVFileInfo &info, const AudioPlan &plan,
                                              const ConversionSettings &settings);

// "-filter_complex" and its graph, overlaying the subtitle on the picture into "[v]".
QStringList burnInGraph(const MKVFileInfo &info, const PictureSubtitle &subtitle);

} // namespace tavrel
