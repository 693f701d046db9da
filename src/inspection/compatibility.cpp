// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspection/compatibility.h"

#include <cmath>
#include <limits>

#include "support/alerts.h"
#include "support/collections.h"
#include "support/dispatch.h"
#include "support/format.h"
#include "support/strings.h"

namespace tavrel {

QStringList codecWarnings(const QString &videoLine)
{
    QStringList warnings;
    if (!contains(videoLine, QStringLiteral("h264")) && !contains(videoLine, QStringLiteral("mpeg4")))
        warnings.append(kWrongVideoWarning);
    if (contains(videoLine, QStringLiteral("High 10")))
        warnings.append(kTenBitVideoWarning);
    return warnings;
}

PictureSize pictureSize(const QString &resolutionText)
{
    const QStringList pieces = split(resolutionText, QStringLiteral("x"));
    return {integerValue(safeStringAtIndex(pieces, 0)), integerValue(safeStringAtIndex(pieces, 1))};
}

bool isTooWide(const PictureSize &size)
{
    return double(size.width) > 1920.0;
}

double referenceFrameLimit(const PictureSize &size)
{
    // In floating point, so that huge sizes cannot overflow the product.
    const double pixels = double(size.width) * double(size.height);
    if (pixels == 0.0)
        return std::numeric_limits<double>::infinity();
    return std::floor(8388608.0 / pixels);
}

bool hasTooManyReferenceFrames(qint64 count, const PictureSize &size)
{
    return double(count) > referenceFrameLimit(size);
}

namespace {

// The text of the first <name> element, or none when it is missing or never closed.
std::optional<QString> elementText(const QString &xml, const QString &name)
{
    const QString open = u'<' + name + u'>';
    const QString close = QStringLiteral("</") + name + u'>';
    const qsizetype start = xml.indexOf(open);
    if (start < 0)
        return std::nullopt;
    const qsizetype from = start + open.size();
    const qsizetype end = xml.indexOf(close, from);
    if (end < 0)
        return std::nullopt;
    return xml.mid(from, end - from);
}

} // namespace

std::optional<qint64> referenceFrameCount(const QString &mediainfoXml)
{
    // Older mediainfo wrote "<Format_settings__ReFrames>4 frames</...>", current versions
    // "<Format_Settings_RefFrames>4</...>". A text that only mentions the name in some longer
    // element gives no count.
    for (const QString &name :
         {QStringLiteral("Format_settings__ReFrames"), QStringLiteral("Format_Settings_RefFrames")}) {
        if (const auto text = elementText(mediainfoXml, name))
            return integerValue(split(*text, QStringLiteral(" ")).first());
    }
    return std::nullopt;
}

namespace {

// "<track type=\"Video\"> ... </track>" of the first video track; empty when there is none.
QString firstVideoTrack(const QString &xml)
{
    const qsizetype start = xml.indexOf(QStringLiteral("<track type=\"Video\""));
    if (start < 0)
        return {};
    const qsizetype end = xml.indexOf(QStringLiteral("</track>"), start);
    return end < 0 ? xml.mid(start) : xml.mid(start, end - start);
}

std::optional<double> leadingNumber(const QString &text)
{
    bool ok = false;
    const double value = split(text.trimmed(), QStringLiteral(" ")).first().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

} // namespace

VideoHeaderFacts videoHeaderFacts(const QString &mediainfoXml)
{
    const QString track = firstVideoTrack(mediainfoXml);
    VideoHeaderFacts facts;
    facts.isAvc = elementText(track, QStringLiteral("Format")) == QStringLiteral("AVC");
    if (const auto level = elementText(track, QStringLiteral("Format_Level")))
        facts.level = leadingNumber(*level);
    else if (const auto profile = elementText(track, QStringLiteral("Format_profile"))) {
        const qsizetype at = profile->indexOf(QStringLiteral("@L"));
        if (at >= 0)
            facts.level = leadingNumber(profile->mid(at + 2));
    }
    for (const QString &name : {QStringLiteral("FrameRate"), QStringLiteral("Frame_rate")}) {
        if (const auto rate = elementText(track, name)) {
            facts.frameRate = leadingNumber(*rate);
            break;
        }
    }
    if (const auto depth = elementText(track, QStringLiteral("BitDepth")))
        if (const auto value = leadingNumber(*depth))
            facts.bitDepth = int(*value);
    facts.chroma = elementText(track, QStringLiteral("ChromaSubsampling")).value_or(QString()).trimmed();
    for (const QString &name : {QStringLiteral("BitRate"), QStringLiteral("BitRate_Maximum")})
        if (const auto text = elementText(track, name))
            if (const auto value = leadingNumber(*text); value && (!facts.bitRate || *value > *facts.bitRate))
                facts.bitRate = value;
    facts.scanType = elementText(track, QStringLiteral("ScanType")).value_or(QString()).trimmed();
    facts.scanOrder = elementText(track, QStringLiteral("ScanOrder")).value_or(QString()).trimmed();
    // "dvhe.05", "dvhe.08 / " and the like: the profile is the number after the dot.
    if (const auto profile = elementText(track, QStringLiteral("HDR_Format_Profile"));
        profile && profile->startsWith(QStringLiteral("dv")) && profile->indexOf(u'.') == 4)
        if (const auto value = leadingNumber(profile->mid(5, 2)))
            facts.doviProfile = int(*value);
    return facts;
}

bool fitsLevel41(const PictureSize &size, qint64 referenceFrames, std::optional<double> frameRate)
{
    if (size.width <= 0 || size.height <= 0 || referenceFrames <= 0)
        return false;
    const double macroblocks = std::ceil(double(size.width) / 16.0) * std::ceil(double(size.height) / 16.0);
    if (macroblocks > 8192.0 || hasTooManyReferenceFrames(referenceFrames, size))
        return false;
    return !frameRate || macroblocks * *frameRate <= 245760.0;
}

QString warningMessage(const QString &identifier, const QString &fileName)
{
    QString format;
    if (identifier == kWrongVideoWarning)
        format =
            QStringLiteral("The file '%@' doesn't contain a H264/MPEG4 video track so the result may not be playable.");
    else if (identifier == kTenBitVideoWarning)
        format =
            QStringLiteral("The file '%@' contains a 10-bit video track so the result will only be playable with "
                           "VLC/Mplayer, but not with most other devices or players (including the 'Playstation 3').");
    else if (identifier == kTooHighResWarning)
        format =
            QStringLiteral("The file '%@' will probably not play back fine on the 'Playstation 3' as it has a too "
                           "large resolution. You can try converting the produced MP4 file using 'QuickTime Player' "
                           "to a 1080p M4V file to view this video on the PS3.");
    else if (identifier == kTooManyRefFramesWarning)
        format =
            QStringLiteral("The file '%@' will probably not play back fine on the 'Playstation 3' as it contains more "
                           "'reference frames' than the PS3 supports. You can try converting the produced MP4 file "
                           "using 'QuickTime Player' to a 720p M4V file to view this video on the PS3.");
    return makeString(format, fileName);
}

void raiseWarning(const QString &identifier, const QString &fileName)
{
    alert_dontwarnagain_version(identifier, QStringLiteral("Warning"), warningMessage(identifier, fileName),
                                QStringLiteral("OK"), QStringLiteral("Don't warn again"));
}

void raiseWarningLater(const QString &identifier, const QString &fileName)
{
    dispatch_after_main(0.1f, [identifier, fileName] { raiseWarning(identifier, fileName); });
}

} // namespace tavrel
