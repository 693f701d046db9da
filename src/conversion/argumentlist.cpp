// SPDX-License-Identifier: GPL-3.0-or-later
#include "conversion/argumentlist.h"

#include "conversion/videoencoding.h"

namespace tavrel {

namespace {

QString streamMap(int input, qint64 id)
{
    return QString::number(input) + QLatin1Char(':') + QString::number(id);
}

QStringList videoMap(const MKVFileInfo &info)
{
    if (!info.videoTrackID)
        return {};
    return {QStringLiteral("-map"), streamMap(0, *info.videoTrackID)};
}

// ffmpeg refuses a "-map" naming an input that is only declared later, so the subtitle file's
// input stands right after the source's. Its encoding option applies to the input that follows.
QStringList subtitleFileInput(const ConversionRequest &request)
{
    if (request.subtitleFile.isEmpty())
        return {};
    QStringList args;
    if (!request.subtitleEncoding.isEmpty())
        args << QStringLiteral("-sub_charenc") << request.subtitleEncoding;
    args << QStringLiteral("-i") << request.subtitleFile;
    return args;
}

// The subtitle file's track first, then the movie's own tracks, last track first.
QStringList subtitleMaps(const ConversionRequest &request, const ConversionSettings &settings)
{
    const MKVFileInfo &info = *request.inspection;
    QStringList args;
    if (!request.subtitleFile.isEmpty())
        args << QStringLiteral("-map") << QStringLiteral("1:0");
    if (settings.disableBuiltinSubtitles == 0) {
        for (auto id = info.subtitleTrackIDs.crbegin(); id != info.subtitleTrackIDs.crend(); ++id)
            args << QStringLiteral("-map") << streamMap(0, *id);
    }
    return args;
}

// Only a copied AAC track gets the filter, and only when its one-second test asked for it.
QStringList aacFixup(const AudioPlan &plan, bool fixup)
{
    if (!fixup || !plan.wantsFixupTest())
        return {};
    return {QStringLiteral("-absf"), QStringLiteral("aac_adtstoasc")};
}

// Rewrites the level in the parameter sets only; the picture data stay as they are.
QStringList levelMarking(const MKVFileInfo &info, const ConversionSettings &settings)
{
    if (!marksLevel41(info, settings))
        return {};
    return {QStringLiteral("-bsf:v"), QStringLiteral("h264_metadata=level=4.1")};
}

// Re-encoded sound is resampled to 48 kHz; a track of more than two channels also gets the
// channel count and bit rate the settings ask for.
QStringList audioEncoding(const AudioPlan &plan, const ConversionSettings &settings)
{
    if (!plan.slowmode)
        return {};
    QStringList args{QStringLiteral("-ar"), QStringLiteral("48000")};
    if (plan.surround) {
        const bool stereo = plan.codecWord == QLatin1String("ac3") || settings.dtsDownmix != 0;
        args << QStringLiteral("-ac") << (stereo ? QStringLiteral("2") : QStringLiteral("6")) << QStringLiteral("-ab")
             << (stereo ? stereoBitrate(settings.ac3StereoBitrate) : surroundBitrate(settings.ac3SurroundBitrate));
    }
    return args;
}

} // namespace

QStringList conversionArguments(const ConversionRequest &request, const AudioPlan &plan, bool fixup,
                                const QString &progressFile, const ConversionSettings &settings,
                                const QStringList &output)
{
    const MKVFileInfo &info = *request.inspection;
    // Inputs.
    QStringList args{QStringLiteral("-i"), request.source};
    args << subtitleFileInput(request);
    args << QStringLiteral("-stats");

    // Streams: video, audio, subtitles. Without an audio track, video and subtitles still convert;
    // without a picture (a cover is none) nothing stands for it, or stream 0, the sound, would be
    // mapped twice. A burned-in subtitle comes out of the overlay's graph with the picture.
    const bool reencode = reencodesVideo(info, settings);
    const std::optional<PictureSubtitle> burned = burnedSubtitle(info, plan, settings);
    if (burned)
        args << burnInGraph(info, *burned) << QStringLiteral("-map") << QStringLiteral("[v]");
    else
        args << videoMap(info);
    if (plan.hasAudio)
        args << QStringLiteral("-map") << streamMap(0, plan.streamId);
    args << subtitleMaps(request, settings);

    // Codecs and filters, per kind of stream.
    args << aacFixup(plan, fixup);
    args << QStringLiteral("-scodec") << QStringLiteral("mov_text");
    if (reencode)
        args << QStringLiteral("-vcodec") << QStringLiteral("libx264")
             << x264Arguments(info.videoFacts, settings, burned.has_value());
    else
        args << QStringLiteral("-vcodec") << QStringLiteral("copy") << levelMarking(info, settings);
    args << QStringLiteral("-acodec") << plan.outputCodec() << audioEncoding(plan, settings);

    // Progress and output.
    args << QStringLiteral("-progress") << progressFile << QStringLiteral("-loglevel") << QStringLiteral("warning")
         << QStringLiteral("-y") << output;
    return args;
}

bool marksLevel41(const MKVFileInfo &info, const ConversionSettings &settings)
{
    return settings.markLevel41 != 0 && info.fitsLevel41 && info.videoLevel && *info.videoLevel > 4.1 + 1e-9
        && !reencodesVideo(info, settings);
}

QStringList fixupTestArguments(const QString &ffmpegPath, const MKVFileInfo &info, int audioStreamId,
                               const QString &output)
{
    QStringList args{ffmpegPath,           QStringLiteral("-i"), info.fileURL.toLocalFile(), QStringLiteral("-stats"),
                     QStringLiteral("-t"), QStringLiteral("1")};
    args << videoMap(info) << QStringLiteral("-map") << streamMap(0, audioStreamId) << QStringLiteral("-vcodec")
         << QStringLiteral("copy") << QStringLiteral("-acodec") << QStringLiteral("copy") << QStringLiteral("-y")
         << output;
    return args;
}

} // namespace tavrel
