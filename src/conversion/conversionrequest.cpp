// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/conversionrequest.h"

namespace tavrel {

ConversionSettings ConversionOptions::appliedTo(ConversionSettings settings) const
{
    if (ac3Downmix)
        settings.ac3Downmix = *ac3Downmix ? 1 : 0;
    if (dtsDownmix)
        settings.dtsDownmix = *dtsDownmix ? 1 : 0;
    if (convertSubtitles)
        settings.disableBuiltinSubtitles = *convertSubtitles ? 0 : 1;
    if (reencodeVideo)
        settings.reencodeVideo = *reencodeVideo ? 1 : 0;
    if (videoQuality)
        settings.videoQuality = *videoQuality;
    if (videoSpeed)
        settings.videoSpeed = *videoSpeed;
    return settings;
}

} // namespace tavrel
