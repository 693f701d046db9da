// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Checks for properties that keep a converted movie from playing on the PlayStation 3: the
// video codec, 10-bit video, the picture width and the number of reference frames. The tests
// are pure functions; raiseWarning*() show the silenceable warnings.
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

inline const QString kWrongVideoWarning = QStringLiteral("wrongvideowarning");
inline const QString kTenBitVideoWarning = QStringLiteral("10bitvideowarning");
inline const QString kTooHighResWarning = QStringLiteral("warningtoohighres");
inline const QString kTooManyRefFramesWarning = QStringLiteral("warningtoomanyrefframes");

// The codec warnings one video stream line raises, in the order they are shown.
QStringList codecWarnings(const QString &videoLine);

struct PictureSize
{
    qint64 width = 0;
    qint64 height = 0;
};
// "1920x1080" -> 1920, 1080; pieces that are not numbers read as 0.
PictureSize pictureSize(const QString &resolutionText);

bool isTooWide(const PictureSize &size); // wider than 1920; the height is not looked at

// floor(2^23 / (width * height)); infinity when the product is 0.
double referenceFrameLimit(const PictureSize &size);
bool hasTooManyReferenceFrames(qint64 count, const PictureSize &size);

// The reference-frame count in "mediainfo --Output=XML" text, from the first video track's
// element in the old spelling, else the current one. None when neither element is there.
std::optional<qint64> referenceFrameCount(const QString &mediainfoXml);

// The first video track's H.264 facts in "mediainfo --Output=XML" text, from the current element
// names or the old ones ("<Format_profile>High@L5.1</Format_profile>", "25.000 fps").
struct VideoHeaderFacts
{
    bool isAvc = false;
    std::optional<double> level;     // 5.1
    std::optional<double> frameRate; // frames per second
    std::optional<int> bitDepth;
    QString chroma;                 // "4:2:0"; empty when not given
    std::optional<double> bitRate;  // bits a second, the larger of the average and the maximum
    QString scanType;               // "Progressive", "Interlaced", "MBAFF"; empty when not given
    QString scanOrder;              // "TFF", "BFF"
    std::optional<int> doviProfile; // from "dvhe.05"
};
VideoHeaderFacts videoHeaderFacts(const QString &mediainfoXml);

// Whether a picture of this size, with this many reference frames and this frame rate, stays
// within H.264 level 4.1: 8192 macroblocks a frame, the reference-frame limit above, 245760
// macroblocks a second. An unknown frame rate is not held against it.
bool fitsLevel41(const PictureSize &size, qint64 referenceFrames, std::optional<double> frameRate);

// The warning's message filled with the source file's name.
QString warningMessage(const QString &identifier, const QString &fileName);

// Shows the warning unless silenced for this version; from any thread, without waiting.
void raiseWarning(const QString &identifier, const QString &fileName);
// The same, posted to the main thread to be shown 0.1 s later.
void raiseWarningLater(const QString &identifier, const QString &fileName);

} // namespace tavrel
