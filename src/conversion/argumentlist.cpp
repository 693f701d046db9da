#include "conversion/argumentlist.h"

namespace tavrel {

namespace {
QString streamMap(int input, qint64 id)
{
    return QString::number(input) + QLatin1Char(':') + QString::number(id);
}
} // namespace

QStringList conversionArguments(const MKVFileInfo &info, const AudioPlan &plan, bool fixup,
                                const QString &progressFile, const ConversionSettings &settings)
{
    QStringList args{QStringLiteral("-i"),
                     info.fileURL.toLocalFile(),
                     QStringLiteral("-stats"),
                     QStringLiteral("-map"),
                     streamMap(0, info.videoTrackID.value_or(0)),
                     QStringLiteral("-map"),
                     streamMap(0, plan.streamId),
                     QStringLiteral("-scodec"),
                     QStringLiteral("mov_text"),
                     QStringLiteral("-vcodec"),
                     QStringLiteral("copy"),
                     QStringLiteral("-acodec"),
                     plan.outputCodec(),
                     QStringLiteral("-progress"),
                     progressFile,
                     QStringLiteral("-loglevel"),
                     QStringLiteral("warning"),
                     QStringLiteral("-y"),
                     info.destinationURL.toLocalFile()};

    if (fixup && plan.wantsFixupTest()) {
        args.insert(7, QStringLiteral("aac_adtstoasc"));
        args.insert(7, QStringLiteral("-absf"));
    }
    if (plan.slowmode && plan.surround) {
        const bool stereo = plan.codecWord == QLatin1String("ac3") || settings.dtsDownmix != 0;
        const QStringList channelOptions{
            QStringLiteral("-ac"), stereo ? QStringLiteral("2") : QStringLiteral("6"), QStringLiteral("-ab"),
            stereo ? stereoBitrate(settings.ac3StereoBitrate) : surroundBitrate(settings.ac3SurroundBitrate)};
        for (qsizetype i = 0; i < channelOptions.size(); ++i)
            args.insert(13 + i, channelOptions.at(i));
    }
    if (plan.slowmode) {
        args.insert(13, QStringLiteral("48000"));
        args.insert(13, QStringLiteral("-ar"));
    }
    if (settings.disableBuiltinSubtitles == 0) {
        // Each pair goes before the ones already inserted: last track first.
        for (int id : info.subtitleTrackIDs) {
            args.insert(7, streamMap(0, id));
            args.insert(7, QStringLiteral("-map"));
        }
    }
    const bool external = !info.subtitleFileURL.isEmpty();
    if (external) {
        // ffmpeg refuses a "-map" naming an input that is only declared later, so the subtitle
        // file's input stands right after the source's.
        args.insert(7, QStringLiteral("1:0"));
        args.insert(7, QStringLiteral("-map"));
        args.insert(2, info.subtitleFileURL.toLocalFile());
        args.insert(2, QStringLiteral("-i"));
    }
    if (marksLevel41(info, settings)) {
        // Rewrites the level in the parameter sets only; the picture data stay as they are.
        const qsizetype afterCopy = args.indexOf(QStringLiteral("-vcodec")) + 2;
        args.insert(afterCopy, QStringLiteral("h264_metadata=level=4.1"));
        args.insert(afterCopy, QStringLiteral("-bsf:v"));
    }
    if (!plan.hasAudio) {
        // No audio track to map: video and subtitles still convert.
        const qsizetype audioMap = external ? 7 : 5;
        args.remove(audioMap, 2);
    }
    if (external && !info.subtitleFileEncoding.isEmpty()) {
        // The option belongs to the input that follows it: the subtitle file's.
        args.insert(2, info.subtitleFileEncoding);
        args.insert(2, QStringLiteral("-sub_charenc"));
    }
    return args;
}

bool marksLevel41(const MKVFileInfo &info, const ConversionSettings &settings)
{
    return settings.markLevel41 != 0 && info.fitsLevel41 && info.videoLevel && *info.videoLevel > 4.1 + 1e-9;
}

QStringList fixupTestArguments(const QString &ffmpegPath, const MKVFileInfo &info, int audioStreamId)
{
    return {ffmpegPath,
            QStringLiteral("-i"),
            info.fileURL.toLocalFile(),
            QStringLiteral("-stats"),
            QStringLiteral("-t"),
            QStringLiteral("1"),
            QStringLiteral("-map"),
            streamMap(0, info.videoTrackID.value_or(0)),
            QStringLiteral("-map"),
            streamMap(0, audioStreamId),
            QStringLiteral("-vcodec"),
            QStringLiteral("copy"),
            QStringLiteral("-acodec"),
            QStringLiteral("copy"),
            QStringLiteral("-y"),
            info.destinationURL.toLocalFile()};
}

} // namespace tavrel
