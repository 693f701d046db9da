#include "inspection/playability.h"

#include <QHash>

#include <cmath>

#include "support/strings.h"

namespace tavrel {

namespace {

constexpr double kMacroblocksPerFrame41 = 8192.0;
constexpr double kMacroblocksPerSecond41 = 245760.0;
constexpr double kPictureBuffer41 = 32768.0; // macroblocks
constexpr double kMaxBitRate41 = 62.5e6;     // High profile
const QChar kTimes(0x00D7);

double macroblocks(const PictureSize &size)
{
    return std::ceil(double(size.width) / 16.0) * std::ceil(double(size.height) / 16.0);
}

QString sizeText(const PictureSize &size)
{
    return QString::number(size.width) + kTimes + QString::number(size.height);
}

QString rateText(double rate)
{
    return QString::number(rate, 'g', 4);
}

// The codec as people name it.
QString codecName(const QString &codec)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("hevc"), QStringLiteral("HEVC")},
        {QStringLiteral("av1"), QStringLiteral("AV1")},
        {QStringLiteral("mpeg2video"), QStringLiteral("MPEG-2")},
        {QStringLiteral("mpeg1video"), QStringLiteral("MPEG-1")},
        {QStringLiteral("vp8"), QStringLiteral("VP8")},
        {QStringLiteral("vp9"), QStringLiteral("VP9")},
        {QStringLiteral("vc1"), QStringLiteral("VC-1")},
        {QStringLiteral("wmv3"), QStringLiteral("WMV 9")},
        {QStringLiteral("theora"), QStringLiteral("Theora")},
        {QStringLiteral("msmpeg4v2"), QStringLiteral("Microsoft MPEG-4 v2")},
        {QStringLiteral("msmpeg4v3"), QStringLiteral("Microsoft MPEG-4 v3")},
        {QStringLiteral("prores"), QStringLiteral("ProRes")},
        {QStringLiteral("mjpeg"), QStringLiteral("Motion JPEG")},
    };
    return names.value(codec, codec.isEmpty() ? QStringLiteral("an unknown video codec") : codec);
}

// ffmpeg's pixel format names carry the depth ("yuv420p10le") and the subsampling ("yuv444p").
int depthOf(const QString &pixelFormat)
{
    for (int depth : {16, 14, 12, 10, 9})
        if (pixelFormat.contains(QStringLiteral("p%1").arg(depth)))
            return depth;
    return 8;
}

QString chromaOf(const QString &pixelFormat)
{
    if (pixelFormat.contains(QStringLiteral("444")) || pixelFormat.startsWith(QStringLiteral("gbr")))
        return QStringLiteral("4:4:4");
    if (pixelFormat.contains(QStringLiteral("422")))
        return QStringLiteral("4:2:2");
    if (pixelFormat.contains(QStringLiteral("411")))
        return QStringLiteral("4:1:1");
    if (pixelFormat.startsWith(QStringLiteral("gray")))
        return QStringLiteral("4:0:0");
    return QStringLiteral("4:2:0");
}

} // namespace

VideoFacts videoFacts(const QString &videoLine, const QString &mediainfoXml)
{
    VideoFacts facts;
    facts.codec = codecWordOf(videoLine);
    facts.profile = codecProfile(videoLine);
    const QStringList fields = codecFields(videoLine);
    facts.pixelFormat = split(fields.value(1), QStringLiteral("(")).first().trimmed();
    for (const QString &field : fields) {
        if (field.endsWith(QStringLiteral(" fps"))) {
            bool ok = false;
            const double rate = field.left(field.size() - 4).toDouble(&ok);
            if (ok && rate > 0.0 && std::isfinite(rate))
                facts.frameRate = rate;
        }
    }
    for (const QString &field : fields) {
        const QString first = split(field, QStringLiteral(" ")).first();
        const QStringList dims = split(first, QStringLiteral("x"));
        if (dims.size() == 2 && integerValue(dims.at(0)) > 0 && integerValue(dims.at(1)) > 0) {
            facts.size = pictureSize(first);
            break;
        }
    }
    facts.bitDepth = depthOf(facts.pixelFormat);
    facts.chroma = chromaOf(facts.pixelFormat);

    // mediainfo reads the stream headers themselves; where it answers, it wins.
    const VideoHeaderFacts headers = videoHeaderFacts(mediainfoXml);
    if (headers.bitDepth)
        facts.bitDepth = *headers.bitDepth;
    if (!headers.chroma.isEmpty())
        facts.chroma = headers.chroma;
    if (headers.frameRate && *headers.frameRate > 0.0)
        facts.frameRate = headers.frameRate;
    if (headers.isAvc)
        facts.level = headers.level;
    if (headers.bitRate)
        facts.bitRate = qint64(*headers.bitRate);
    facts.referenceFrames = referenceFrameCount(mediainfoXml);
    return facts;
}

qint64 referenceFrameLimit41(const PictureSize &size)
{
    const double blocks = macroblocks(size);
    if (blocks <= 0.0)
        return 16;
    return qint64(std::min(16.0, std::floor(kPictureBuffer41 / blocks)));
}

VideoVerdict videoVerdict(const VideoFacts &facts)
{
    VideoVerdict verdict;
    QStringList &reasons = verdict.reasons;
    const bool avc = facts.codec == QLatin1String("h264");
    const bool mpeg4 = facts.codec == QLatin1String("mpeg4");
    if (!avc && !mpeg4)
        reasons.append(codecName(facts.codec));
    if (facts.bitDepth > 8)
        reasons.append(QStringLiteral("%1-bit").arg(facts.bitDepth));
    if (facts.chroma != QLatin1String("4:2:0"))
        reasons.append(facts.chroma);

    if (avc) {
        static const QStringList playable = {QStringLiteral("Baseline"), QStringLiteral("Constrained Baseline"),
                                             QStringLiteral("Main"), QStringLiteral("High"), QString()};
        // High 10 and High 4:4:4 are already named by their depth or subsampling.
        if (!playable.contains(facts.profile) && reasons.isEmpty())
            reasons.append(QStringLiteral("H.264 ") + facts.profile);
        if (facts.size.width > 1920 || facts.size.height > 1080 || macroblocks(facts.size) > kMacroblocksPerFrame41)
            reasons.append(sizeText(facts.size));
        else if (facts.frameRate && macroblocks(facts.size) * *facts.frameRate > kMacroblocksPerSecond41)
            reasons.append(
                QStringLiteral("%1p at %2 frames a second").arg(facts.size.height).arg(rateText(*facts.frameRate)));
        else if (facts.referenceFrames && *facts.referenceFrames > referenceFrameLimit41(facts.size))
            reasons.append(
                QStringLiteral("%1 reference frames at %2").arg(*facts.referenceFrames).arg(sizeText(facts.size)));
        if (facts.bitRate && double(*facts.bitRate) > kMaxBitRate41)
            reasons.append(QStringLiteral("%1 Mbit/s").arg(rateText(double(*facts.bitRate) / 1e6)));
    } else if (mpeg4) {
        if (!facts.profile.isEmpty() && !facts.profile.contains(QStringLiteral("Simple")))
            reasons.append(QStringLiteral("MPEG-4 ") + facts.profile);
        if (facts.size.width > 720 || facts.size.height > 576)
            reasons.append(QStringLiteral("MPEG-4 Part 2 at ") + sizeText(facts.size));
    }

    if (!reasons.isEmpty())
        verdict.action = VideoAction::Reencode;
    else if (avc && facts.level && *facts.level > 4.1 + 1e-9) {
        // Within every limit of 4.1 but flagged above it: the flag alone keeps it from playing.
        verdict.action = VideoAction::MarkLevel41;
        reasons.append(QStringLiteral("flagged level %1").arg(*facts.level));
    }
    return verdict;
}

QStringList audioProblems(const AudioTrackFacts &audio)
{
    QStringList problems;
    if (audio.codec == QLatin1String("aac")) {
        if (!audio.profile.isEmpty() && audio.profile != QLatin1String("LC"))
            problems.append(audio.profile);
        if (audio.channels > 2)
            problems.append(QStringLiteral("AAC with %1 channels").arg(audio.channels));
    } else if (audio.codec == QLatin1String("ac3")) {
        if (audio.channels > 6)
            problems.append(QStringLiteral("AC3 with %1 channels").arg(audio.channels));
    } else {
        problems.append(audio.codec);
    }
    if (audio.sampleRate != 0 && audio.sampleRate != 32000 && audio.sampleRate != 44100 && audio.sampleRate != 48000)
        problems.append(QStringLiteral("%1 Hz").arg(audio.sampleRate));
    return problems;
}

QString pictureSubtitleKind(const QString &codec)
{
    if (codec == QLatin1String("hdmv_pgs_subtitle"))
        return QStringLiteral("PGS");
    if (codec == QLatin1String("dvd_subtitle"))
        return QStringLiteral("VobSub");
    if (codec == QLatin1String("dvb_subtitle"))
        return QStringLiteral("DVB");
    return codec;
}

QString pictureSubtitlesLeftOutNote(const QList<PictureSubtitle> &tracks)
{
    if (tracks.isEmpty())
        return {};
    QStringList kinds;
    for (const PictureSubtitle &track : tracks)
        if (!kinds.contains(pictureSubtitleKind(track.codec)))
            kinds.append(pictureSubtitleKind(track.codec));
    return QStringLiteral("%1 picture subtitle track%2 (%3) left out: the console shows text subtitles only")
        .arg(tracks.size())
        .arg(tracks.size() == 1 ? QString() : QStringLiteral("s"))
        .arg(kinds.join(QStringLiteral(", ")));
}

QStringList outputProblems(const StreamReport &report, const QString &mediainfoXml)
{
    QStringList problems;
    if (!report.videoLines.isEmpty()) {
        const VideoVerdict video = videoVerdict(videoFacts(report.videoLines.last(), mediainfoXml));
        if (video.action != VideoAction::Copy)
            problems.append(QStringLiteral("video: ") + video.reasons.join(QStringLiteral(", ")));
    }
    for (const AudioTrackFacts &audio : report.audioTracks)
        if (const QStringList audioIssues = audioProblems(audio); !audioIssues.isEmpty())
            problems.append(QStringLiteral("audio: ") + audioIssues.join(QStringLiteral(", ")));
    if (!report.pictureSubtitles.isEmpty())
        problems.append(QStringLiteral("picture subtitles"));
    return problems;
}

} // namespace tavrel
