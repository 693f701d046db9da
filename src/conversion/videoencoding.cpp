#include "conversion/videoencoding.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

namespace {

// x264's reference frames per preset (fastest first, as videoSpeeds() lists them).
constexpr int kPresetReferenceFrames[] = {1, 1, 1, 2, 2, 3, 5, 8, 16};

qint64 even(double value)
{
    return std::max<qint64>(2, qint64(std::floor(value / 2.0)) * 2);
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
    const PictureSize &in = facts.size;
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
    QStringList filters;
    const PictureSize out = encodedSize(facts);
    if (out.width != facts.size.width || out.height != facts.size.height)
        filters.append(QStringLiteral("scale=%1:%2").arg(out.width).arg(out.height));
    // Even 720p stays within level 4.1's macroblocks a second only up to 60 frames.
    if (facts.frameRate && *facts.frameRate > 60.0 + 1e-6)
        filters.append(QStringLiteral("fps=60"));
    return filters.join(u',');
}

QStringList x264Arguments(const VideoFacts &facts, const ConversionSettings &settings, bool burnsSubtitle)
{
    const QString speed = x264Preset(settings);
    const int presetRefs = kPresetReferenceFrames[videoSpeeds().indexOf(speed)];
    const qint64 refs = std::min<qint64>(presetRefs, referenceFrameLimit41(encodedSize(facts)));
    QStringList args{
        QStringLiteral("-preset"), speed, QStringLiteral("-crf"),
        QString::number(std::clamp<qint64>(settings.videoQuality, 0, 51)), QStringLiteral("-profile:v"),
        QStringLiteral("high"), QStringLiteral("-level:v"), QStringLiteral("4.1"), QStringLiteral("-pix_fmt"),
        QStringLiteral("yuv420p"), QStringLiteral("-refs"), QString::number(refs),
        // Level 4.1's limits for the High profile's decoder buffer, with room to spare.
        QStringLiteral("-maxrate"), QStringLiteral("50000k"), QStringLiteral("-bufsize"), QStringLiteral("62500k"),
        // The source's own frame times, as a copied picture keeps them: filling the gap before a
        // late first frame would show that frame twice.
        QStringLiteral("-fps_mode"), QStringLiteral("passthrough")};
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
    // lines in view.
    QString graph =
        QStringLiteral("[0:%1][0:%2]overlay=(W-w)/2:H-h").arg(info.videoTrackID.value_or(0)).arg(subtitle.streamId);
    if (const QString filters = videoFilterChain(info.videoFacts); !filters.isEmpty())
        graph += u',' + filters;
    return {QStringLiteral("-filter_complex"), graph + QStringLiteral("[v]")};
}

} // namespace tavrel
