// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/videoencoding.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

// x264's reference frames per preset (fastest first, as videoSpeeds() lists them).
constexpr int kPresetReferenceFrames[] = {1, 1, 1, 2, 2, 3, 5, 8, 16};

// The nearest even number, the smaller one on a tie, so a size never grows past its source.
qint64 even(double value)
{
    return std::max<qint64>(2, qint64(std::ceil(value / 2.0 - 0.5)) * 2);
}

// ffmpeg's colour names that zscale reads as they are, and what to assume for the others.
QString zscaleName(const QString &name, const QStringList &known, const QString &fallback)
{
    return known.contains(name) ? name : fallback;
}

// zscale needs the source's colours spelled out: frames that carry no tags give "no path
// between colorspaces".
QString colourInput(const VideoFacts &facts)
{
    static const QStringList transfers = {QStringLiteral("smpte2084"), QStringLiteral("arib-std-b67"),
                                          QStringLiteral("bt709"),     QStringLiteral("bt2020-10"),
                                          QStringLiteral("bt2020-12"), QStringLiteral("smpte170m")};
    static const QStringList matrices = {QStringLiteral("bt2020nc"), QStringLiteral("bt2020c"), QStringLiteral("bt709"),
                                         QStringLiteral("smpte170m"), QStringLiteral("bt470bg")};
    static const QStringList primaries = {QStringLiteral("bt2020"), QStringLiteral("bt709"),
                                          QStringLiteral("smpte170m"), QStringLiteral("bt470bg"),
                                          QStringLiteral("smpte432")};
    return QStringLiteral("tin=%1:min=%2:pin=%3:rin=%4")
        .arg(zscaleName(facts.colourTransfer, transfers, QStringLiteral("bt709")),
             zscaleName(facts.colourMatrix, matrices, QStringLiteral("bt2020nc")),
             zscaleName(facts.colourPrimaries, primaries, QStringLiteral("bt2020")),
             facts.colourRange == QLatin1String("pc") ? QStringLiteral("full") : QStringLiteral("limited"));
}

// To BT.709 colours, limited range, 8-bit 4:2:0. HDR goes through linear light and a tone curve
// (Hable keeps highlights without flattening the mid-tones); BT.2020 SDR only changes primaries.
QString colourFilters(const VideoFacts &facts)
{
    static const QString toBt709 = QStringLiteral("p=bt709:t=bt709:m=bt709:r=limited");
    if (!hdrTransfer(facts).isEmpty())
        return QStringLiteral("zscale=%1:t=linear:npl=100,format=gbrpf32le,tonemap=tonemap=hable:desat=0,"
                              "zscale=%2,format=yuv420p")
            .arg(colourInput(facts), toBt709);
    if (needsColourConversion(facts))
        return QStringLiteral("zscale=%1:%2,format=yuv420p").arg(colourInput(facts), toBt709);
    return {};
}

// Woven fields made whole, one frame out per frame in; first, while the lines are as stored.
QString deinterlaceFilter(const VideoFacts &facts)
{
    if (!isInterlaced(facts))
        return {};
    return QStringLiteral("bwdif=mode=send_frame:parity=%1")
        .arg(facts.fieldOrder == FieldOrder::TopFirst ? QStringLiteral("tff") : QStringLiteral("bff"));
}

// What follows the deinterlacer (and a burned-in subtitle): size, colours, rate. The size
// comes first so that a 4K picture goes through the costly float stages at 1080p.
QString pictureFilters(const VideoFacts &facts)
{
    QStringList filters;
    const PictureSize in = shownSize(facts);
    const PictureSize out = encodedSize(facts);
    if (out.width != in.width || out.height != in.height) {
        filters.append(QStringLiteral("scale=%1:%2").arg(out.width).arg(out.height));
        // Rounding to even sizes would otherwise leave square pixels slightly off square.
        const bool square = facts.sampleAspect.width == 1 && facts.sampleAspect.height == 1;
        if (square && out.width * in.height != out.height * in.width)
            filters.append(QStringLiteral("setsar=1"));
    }
    if (const QString colours = colourFilters(facts); !colours.isEmpty())
        filters.append(colours);
    // Even 720p stays within level 4.1's macroblocks a second only up to 60 frames.
    if (facts.frameRate && *facts.frameRate > 60.0 + 1e-6)
        filters.append(QStringLiteral("fps=60"));
    return filters.join(u',');
}

QString joinedFilters(const QString &first, const QString &second)
{
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    return first + u',' + second;
}

} // namespace

QString x264Preset(const ConversionSettings &settings)
{
    // A hand-edited store may name a preset x264 does not know.
    return videoSpeeds().contains(settings.videoSpeed) ? settings.videoSpeed : QStringLiteral("fast");
}

bool reencodesVideo(const MKVFileInfo &info, const ConversionSettings &settings)
{
    if (settings.reencodeVideo == 0 || !info.videoTrackID)
        return false;
    switch (info.videoVerdict.action) {
    case VideoAction::Reencode:
        return true;
    case VideoAction::MarkLevel41:
        return settings.markLevel41 == 0 || !info.fitsLevel41;
    case VideoAction::Copy:
        break;
    }
    return false;
}

PictureSize encodedSize(const VideoFacts &facts)
{
    // ffmpeg turns the picture upright as it decodes: the limits apply to the size as shown.
    const PictureSize in = shownSize(facts);
    if (in.width <= 0 || in.height <= 0)
        return in;
    const bool fast = facts.frameRate && *facts.frameRate > 30.0 + 1e-6;
    const double boxWidth = fast ? 1280.0 : 1920.0;
    const double boxHeight = fast ? 720.0 : 1080.0;
    const double factor = std::min({1.0, boxWidth / double(in.width), boxHeight / double(in.height)});
    return {even(double(in.width) * factor), even(double(in.height) * factor)};
}

QString videoFilterChain(const VideoFacts &facts)
{
    return joinedFilters(deinterlaceFilter(facts), pictureFilters(facts));
}

QStringList x264Arguments(const VideoFacts &facts, const ConversionSettings &settings, bool burnsSubtitle)
{
    const QString speed = x264Preset(settings);
    const int presetRefs = kPresetReferenceFrames[videoSpeeds().indexOf(speed)];
    const qint64 refs = std::min<qint64>(presetRefs, referenceFrameLimit41(encodedSize(facts)));
    QStringList args{
        QStringLiteral("-preset"), speed, QStringLiteral("-crf"),
        QString::number(videoQualityInRange(settings.videoQuality)), QStringLiteral("-profile:v"),
        QStringLiteral("high"), QStringLiteral("-level:v"), QStringLiteral("4.1"), QStringLiteral("-pix_fmt"),
        QStringLiteral("yuv420p"), QStringLiteral("-refs"), QString::number(refs),
        // Level 4.1's limits for the High profile's decoder buffer, with room to spare.
        QStringLiteral("-maxrate"), QStringLiteral("50000k"), QStringLiteral("-bufsize"), QStringLiteral("62500k"),
        // The source's own frame times, as a copied picture keeps them: filling the gap before a
        // late first frame would show that frame twice.
        QStringLiteral("-fps_mode"), QStringLiteral("passthrough")};
    if (needsColourConversion(facts))
        args << QStringLiteral("-color_primaries") << QStringLiteral("bt709") << QStringLiteral("-color_trc")
             << QStringLiteral("bt709") << QStringLiteral("-colorspace") << QStringLiteral("bt709");
    const QString filters = videoFilterChain(facts);
    if (!burnsSubtitle && !filters.isEmpty())
        args << QStringLiteral("-vf") << filters;
    return args;
}

std::optional<PictureSubtitle> burnedSubtitle(const MKVFileInfo &info, const AudioPlan &plan,
                                              const ConversionSettings &settings)
{
    if (settings.burnInSubtitles <= 0 || !reencodesVideo(info, settings))
        return std::nullopt;
    for (const PictureSubtitle &track : info.pictureSubtitles) {
        if (!plan.language.isEmpty() && track.language != plan.language)
            continue;
        if (track.forced || settings.burnInSubtitles >= 2)
            return track;
    }
    return std::nullopt;
}

QStringList burnInGraph(const MKVFileInfo &info, const PictureSubtitle &subtitle)
{
    // Centred and at the bottom: a subtitle canvas taller than a cropped picture keeps its
    // lines in view. The fields are made whole before the subtitle is laid over them.
    const QString picture = QStringLiteral("[0:%1]").arg(info.videoTrackID.value_or(0));
    const QString fields = deinterlaceFilter(info.videoFacts);
    QString graph = fields.isEmpty() ? picture : picture + fields + QStringLiteral("[p];[p]");
    graph += QStringLiteral("[0:%1]overlay=(W-w)/2:H-h").arg(subtitle.streamId);
    graph = joinedFilters(graph, pictureFilters(info.videoFacts));
    return {QStringLiteral("-filter_complex"), graph + QStringLiteral("[v]")};
}

} // namespace tavrel
