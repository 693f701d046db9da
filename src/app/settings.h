// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings vocabulary of the controller: key names, registered defaults, and the values a
// job and the end of a job read, gathered from the store.
#include <QString>
#include <QVariantMap>

#include "conversion/conversionsettings.h"
#include "support/settingsstore.h"

namespace tavrel::settings {

inline const QString kDestinationBookmarksKey = QStringLiteral("DestinationBookmarks");
inline const QString kDestinationNamesKey = QStringLiteral("DestinationNames");
inline const QString kAC3DownmixKey = QStringLiteral("AC3Downmix");
inline const QString kDTSDownmixKey = QStringLiteral("DTSDownmix");
inline const QString kAutoAddKey = QStringLiteral("AutoAdd");
inline const QString kAutoCleanKey = QStringLiteral("AutoClean");
inline const QString kDefaultAudioKey = QStringLiteral("DefaultAudio");
inline const QString kDisableBuiltinSubtitlesKey = QStringLiteral("DisableBuiltinSubtitles");
inline const QString kAC3StereoBitrateKey = QStringLiteral("AC3StereoBitrate");
inline const QString kAC3SurroundBitrateKey = QStringLiteral("AC3SurroundBitrate");
inline const QString kDefaultDestinationKey = QStringLiteral("DefaultDestination");
inline const QString kAutoRemoveKey = QStringLiteral("AutoRemove");
inline const QString kAutoRemoveTypeKey = QStringLiteral("AutoRemoveType");
inline const QString kQuitAfterConversionKey = QStringLiteral("QuitAfterConversion");
// Marks copied H.264 video flagged above level 4.1 as 4.1 when it fits that level.
inline const QString kMarkLevel41Key = QStringLiteral("MarkH264Level41");
// Re-encodes a picture the console cannot play (x264 quality and preset), and which picture
// subtitle is burned in then (0 never, 1 forced only, 2 the first in the language).
inline const QString kReencodeVideoKey = QStringLiteral("ReencodeVideo");
inline const QString kVideoQualityKey = QStringLiteral("VideoQuality");
inline const QString kVideoSpeedKey = QStringLiteral("VideoSpeed");
inline const QString kBurnInSubtitlesKey = QStringLiteral("BurnInSubtitles");
// An output that may not fit in one file on its destination's file system (FAT's 4 GiB) is
// written in parts instead of being refused.
inline const QString kSplitLargeOutputsKey = QStringLiteral("SplitLargeOutputs");

// The registered defaults, as one map.
QVariantMap registeredDefaults();
// Registers registeredDefaults() once per process (the controller class's first use).
void registerAppDefaults();

// What a conversion reads, from the store now.
ConversionSettings conversionSettings();

} // namespace tavrel::settings
