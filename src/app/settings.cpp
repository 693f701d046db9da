// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings.h"

#include <mutex>

namespace tavrel::settings {

QVariantMap registeredDefaults()
{
    return {
        {kDestinationBookmarksKey, QVariantList()},
        {kDestinationNamesKey, QVariantList()},
        {kAC3DownmixKey, 0},
        {kDTSDownmixKey, 0},
        {kAutoAddKey, 0},
        {kAutoCleanKey, 0},
        {kDefaultAudioKey, 0},
        {kDisableBuiltinSubtitlesKey, 1},
        {kAC3StereoBitrateKey, 1},
        {kAC3SurroundBitrateKey, 1},
        {kMarkLevel41Key, 1},
        {kReencodeVideoKey, 1},
        {kVideoQualityKey, 20},
        {kVideoSpeedKey, QStringLiteral("fast")},
        {kBurnInSubtitlesKey, 1},
        {kSplitLargeOutputsKey, 1},
    };
}

void registerAppDefaults()
{
    static std::once_flag once;
    std::call_once(once, [] { registerDefaults(registeredDefaults()); });
}

ConversionSettings conversionSettings()
{
    ConversionSettings s;
    s.ac3Downmix = defaultInt(kAC3DownmixKey);
    s.dtsDownmix = defaultInt(kDTSDownmixKey);
    s.disableBuiltinSubtitles = defaultInt(kDisableBuiltinSubtitlesKey);
    s.ac3StereoBitrate = defaultInt(kAC3StereoBitrateKey);
    s.ac3SurroundBitrate = defaultInt(kAC3SurroundBitrateKey);
    s.markLevel41 = defaultInt(kMarkLevel41Key);
    s.reencodeVideo = defaultInt(kReencodeVideoKey);
    s.videoQuality = videoQualityInRange(defaultInt(kVideoQualityKey));
    s.videoSpeed = defaultObject(kVideoSpeedKey).toString();
    s.burnInSubtitles = defaultInt(kBurnInSubtitlesKey);
    s.splitLargeOutputs = defaultInt(kSplitLargeOutputsKey);
    return s;
}

} // namespace tavrel::settings
