// SPDX-License-Identifier: GPL-3.0-or-later
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

// The words in the parentheses after the pixel format: "yuv420p10le(tv, bt2020nc/bt2020/smpte2084,
// progressive)". ffmpeg prints the range, then the matrix, primaries and transfer (one name when
// all three agree), then the field order; each only when known.
void readPixelFormatDetails(const QString &field, VideoFacts &facts)
{
    const qsizetype open = field.indexOf(u'(');
    const qsizetype close = field.lastIndexOf(u')');
    if (open < 0 || close < open)
        return;
    for (const QString &word : split(field.mid(open + 1, close - open - 1), QStringLiteral(", "))) {
        const QStringList colours = split(word, QStringLiteral("/"));
        if (word == QLatin1String("tv") || word == QLatin1String("pc"))
            facts.colourRange = word;
        else if (word == QLatin1String("progressive"))
            facts.fieldOrder = FieldOrder::Progressive;
        else if (word.startsWith(QStringLiteral("top ")))
            // "top coded first (swapped)" shows the bottom field first.
            facts.fieldOrder =
                word.contains(QStringLiteral("swapped")) ? FieldOrder::BottomFirst : FieldOrder::TopFirst;
        else if (word.startsWith(QStringLiteral("bottom ")))
            facts.fieldOrder =
                word.contains(QStringLiteral("swapped")) ? FieldOrder::TopFirst : FieldOrder::BottomFirst;
        else if (colours.size() == 3) {
            facts.colourMatrix = colours.at(0);
            facts.colourPrimaries = colours.at(1);
            facts.colourTransfer = colours.at(2);
        } else if (colours.size() == 1 && !word.contains(u' '))
            facts.colourMatrix = facts.colourPrimaries = facts.colourTransfer = word;
    }
}

// "[SAR 64:45 DAR 16:9]" after the size.
PictureSize sampleAspectIn(const QString &field)
{
    const qsizetype at = field.indexOf(QStringLiteral("[SAR "));
    if (at < 0)
        return {};
    const QStringList ratio = split(split(field.mid(at + 5), QStringLiteral(" ")).first(), QStringLiteral(":"));
    if (ratio.size() != 2 || integerValue(ratio.at(0)) <= 0 || integerValue(ratio.at(1)) <= 0)
        return {};
    return {integerValue(ratio.at(0)), integerValue(ratio.at(1))};
}

// ffmpeg prints the counterclockwise turn; only quarter turns are kept.
int quarterTurn(double degrees)
{
    const long turn = std::lround(degrees);
    if (turn % 90 != 0)
        return 0;
    return int(((turn % 360) + 360) % 360);
}

} // namespace

VideoFacts videoFacts(const QString &videoLine, const QString &mediainfoXml, const VideoSideData &sideData)
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
            facts.sampleAspect = sampleAspectIn(field);
            break;
        }
    }
    readPixelFormatDetails(fields.value(1), facts);
    if (sideData.rotation)
        facts.rotation = quarterTurn(*sideData.rotation);
    facts.doviProfile = sideData.doviProfile;
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
    // ffmpeg prints no field order for some streams that mediainfo reads as interlaced.
    if (facts.fieldOrder == FieldOrder::Unknown && !headers.scanType.isEmpty()) {
        if (headers.scanType == QLatin1String("Progressive"))
            facts.fieldOrder = FieldOrder::Progressive;
        else
            facts.fieldOrder =
                headers.scanOrder.startsWith(QStringLiteral("B")) ? FieldOrder::BottomFirst : FieldOrder::TopFirst;
    }
    if (!facts.doviProfile)
        facts.doviProfile = headers.doviProfile;
    return facts;
}

PictureSize shownSize(const VideoFacts &facts)
{
    if (facts.rotation == 90 || facts.rotation == 270)
        return {facts.size.height, facts.size.width};
    return facts.size;
}

bool isInterlaced(const VideoFacts &facts)
{
    return facts.fieldOrder == FieldOrder::TopFirst || facts.fieldOrder == FieldOrder::BottomFirst;
}

QString hdrTransfer(const VideoFacts &facts)
{
    if (facts.colourTransfer == QLatin1String("smpte2084"))
        return QStringLiteral("PQ");
    if (facts.colourTransfer == QLatin1String("arib-std-b67"))
        return QStringLiteral("HLG");
    return {};
}

bool needsColourConversion(const VideoFacts &facts)
{
    return !hdrTransfer(facts).isEmpty() || facts.colourPrimaries.startsWith(QStringLiteral("bt2020"));
}

qint64 referenceFrameLimit41(const PictureSize &size)
{
    const double blocks = macroblocks(size);
    if (blocks <= 0.0)
        return 16;
    return qint64(std::min(16.0, std::floor(kPictureBuffer41 / blocks)));
}

namespace {

// What the console ignores that a newer player honours: these need a re-encode of their own.
void addPresentationReasons(const VideoFacts &facts, VideoVerdict &verdict)
{
    if (facts.rotation != 0) {
        verdict.shownWrong.append(QStringLiteral("shown rotated %1\u00B0").arg(facts.rotation));
        verdict.fixes.append(QStringLiteral("rotated upright"));
    }
    if (const QString hdr = hdrTransfer(facts); !hdr.isEmpty()) {
        verdict.shownWrong.append(QStringLiteral("HDR (%1) colours").arg(hdr));
        verdict.fixes.append(QStringLiteral("HDR tone mapped to SDR"));
    } else if (needsColourConversion(facts)) {
        verdict.shownWrong.append(QStringLiteral("BT.2020 colours"));
        verdict.fixes.append(QStringLiteral("colours converted to BT.709"));
    }
    // Profile 5 has no HDR10 or SDR base layer: only its own decoder gives its colours.
    if (facts.doviProfile == 5) {
        verdict.shownWrong.append(QStringLiteral("Dolby Vision profile 5"));
        verdict.unconvertible = QStringLiteral(
            "The video is Dolby Vision profile 5, whose colours only a Dolby Vision player can show: it cannot be "
            "converted to a picture the console shows right.");
    }
    verdict.reasons.append(verdict.shownWrong);
}

} // namespace

VideoVerdict videoVerdict(const VideoFacts &facts)
{
    VideoVerdict verdict;
    QStringList &reasons = verdict.reasons;
    const PictureSize size = shownSize(facts);
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
        if (size.width > 1920 || size.height > 1080 || macroblocks(size) > kMacroblocksPerFrame41)
            reasons.append(sizeText(size));
        else if (facts.frameRate && macroblocks(size) * *facts.frameRate > kMacroblocksPerSecond41)
            reasons.append(
                QStringLiteral("%1p at %2 frames a second").arg(size.height).arg(rateText(*facts.frameRate)));
        else if (facts.referenceFrames && *facts.referenceFrames > referenceFrameLimit41(size))
            reasons.append(QStringLiteral("%1 reference frames at %2").arg(*facts.referenceFrames).arg(sizeText(size)));
        if (facts.bitRate && double(*facts.bitRate) > kMaxBitRate41)
            reasons.append(QStringLiteral("%1 Mbit/s").arg(rateText(double(*facts.bitRate) / 1e6)));
    } else if (mpeg4) {
        if (!facts.profile.isEmpty() && !facts.profile.contains(QStringLiteral("Simple")))
            reasons.append(QStringLiteral("MPEG-4 ") + facts.profile);
        if (size.width > 720 || size.height > 576)
            reasons.append(QStringLiteral("MPEG-4 Part 2 at ") + sizeText(size));
    }

    addPresentationReasons(facts, verdict);

    if (!reasons.isEmpty()) {
        verdict.action = VideoAction::Reencode;
        // Copied, the fields keep their flags and show right; re-encoded, they are woven together.
        if (isInterlaced(facts)) {
            reasons.append(facts.fieldOrder == FieldOrder::TopFirst ? QStringLiteral("interlaced, top field first")
                                                                    : QStringLiteral("interlaced, bottom field first"));
            verdict.fixes.append(QStringLiteral("deinterlaced"));
        }
    } else if (avc && facts.level && *facts.level > 4.1 + 1e-9) {
        // Within every limit of 4.1 but flagged above it: the flag alone keeps it from playing.
        verdict.action = VideoAction::MarkLevel41;
        reasons.append(QStringLiteral("flagged level %1").arg(*facts.level));
    }
    return verdict;
}

QString fixesText(const VideoVerdict &verdict)
{
    return verdict.fixes.isEmpty() ? QString() : QStringLiteral(": ") + verdict.fixes.join(QStringLiteral(", "));
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

QStringList outputProblems(const StreamReport &report, const QString &mediainfoXml, bool fieldsKept)
{
    std::optional<VideoFacts> video;
    if (!report.videoLines.isEmpty())
        video = videoFacts(report.videoLines.last(), mediainfoXml, report.videoSideData);
    return outputProblems(video, report.audioTracks, !report.pictureSubtitles.isEmpty(), fieldsKept);
}

QStringList outputProblems(const std::optional<VideoFacts> &video, const QList<AudioTrackFacts> &audio,
                           bool pictureSubtitles, bool fieldsKept)
{
    QStringList problems;
    if (video) {
        const VideoVerdict verdict = videoVerdict(*video);
        if (verdict.action != VideoAction::Copy)
            problems.append(QStringLiteral("video: ") + verdict.reasons.join(QStringLiteral(", ")));
        if (fieldsKept && video->fieldOrder == FieldOrder::Progressive)
            problems.append(QStringLiteral("video: interlaced fields flagged progressive"));
    }
    for (const AudioTrackFacts &track : audio)
        if (const QStringList audioIssues = audioProblems(track); !audioIssues.isEmpty())
            problems.append(QStringLiteral("audio: ") + audioIssues.join(QStringLiteral(", ")));
    if (pictureSubtitles)
        problems.append(QStringLiteral("picture subtitles"));
    return problems;
}

} // namespace tavrel
