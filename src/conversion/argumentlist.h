// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ffmpeg argument lists of a conversion and of its one-second AAC fix-up test.
#include <QString>
#include <QStringList>

#include "conversion/audioplan.h"
#include "conversion/conversionrequest.h"
#include "conversion/conversionsettings.h"
#include "inspection/mkvfileinfo.h"

namespace tavrel {

// The conversion's arguments (the program itself not included); `output` ends them: the file,
// or the options and pattern of parts. `fixup` adds the AAC bitstream filter; it only applies to
// a copied AAC track.
QStringList conversionArguments(const ConversionRequest &request, const AudioPlan &plan, bool fixup,
                                const QString &progressFile, const ConversionSettings &settings,
                                const QStringList &output);

// Whether the copied video gets the level 4.1 flag: the setting is on, and the video is H.264
// flagged above 4.1 that fits 4.1.
bool marksLevel41(const MKVFileInfo &info, const ConversionSettings &settings);

// The fix-up test: program path first, then its 15 arguments (13 without a picture to map).
QStringList fixupTestArguments(const QString &ffmpegPath, const MKVFileInfo &info, int audioStreamId,
                               const QString &output);

} // namespace tavrel
