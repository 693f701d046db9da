// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspection/mediainforeport.h"

#include <QHash>
#include <QXmlStreamReader>

#include <cmath>

#include "support/strings.h"

namespace tavrel {

namespace {

struct Track
{
    QString type; // "General", "Video", "Audio", "Text", ...
    QHash<QString, QString> fields;
};

// The tracks with their own fields; what <extra> holds is left out. A report cut short gives the
// tracks read so far.
QList<Track> tracksOf(const QString &xml)
{
    QList<Track> tracks;
    QXmlStreamReader reader(xml);
    bool inTrack = false;
    while (!reader.atEnd() && !reader.hasError()) {
        reader.readNext();
        if (reader.isStartElement() && !inTrack && reader.name() == QLatin1String("track")) {
            tracks.append({reader.attributes().value(QLatin1String("type")).toString(), {}});
            inTrack = true;
        } else if (reader.isStartElement() && inTrack) {
            const QString name = reader.name().toString();
            const QString text = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            if (!tracks.last().fields.contains(name))
                tracks.last().fields.insert(name, text);
        } else if (reader.isEndElement() && reader.name() == QLatin1String("track")) {
            inTrack = false;
        }
    }
    return tracks;
}

std::optional<double> number(const Track &track, const QString &name)
{
    bool ok = false;
    const double value = split(track.fields.value(name), QStringLiteral(" ")).first().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// mediainfo's format names in ffmpeg's codec words, which the verdict's texts show.
QString videoCodecWord(const Track &track)
{
    static const QHash<QString, QString> words = {
        {QStringLiteral("AVC"), QStringLiteral("h264")},
        {QStringLiteral("HEVC"), QStringLiteral("hevc")},
        {QStringLiteral("AV1"), QStringLiteral("av1")},
        {QStringLiteral("VP8"), QStringLiteral("vp8")},
        {QStringLiteral("VP9"), QStringLiteral("vp9")},
        {QStringLiteral("MPEG-4 Visual"), QStringLiteral("mpeg4")},
        {QStringLiteral("VC-1"), QStringLiteral("vc1")},
        {QStringLiteral("JPEG"), QStringLiteral("mjpeg")},
        {QStringLiteral("ProRes"), QStringLiteral("prores")},
        {QStringLiteral("Theora"), QStringLiteral("theora")},
    };
    const QString format = track.fields.value(QStringLiteral("Format"));
    if (format == QLatin1String("MPEG Video"))
        return track.fields.value(QStringLiteral("Format_Version")) == QLatin1String("1")
            ? QStringLiteral("mpeg1video")
            : QStringLiteral("mpeg2video");
    return words.value(format, format.toLower());
}

QString audioCodecWord(const Track &track)
{
    static const QHash<QString, QString> words = {
        {QStringLiteral("AAC"), QStringLiteral("aac")},        {QStringLiteral("AC-3"), QStringLiteral("ac3")},
        {QStringLiteral("E-AC-3"), QStringLiteral("eac3")},    {QStringLiteral("DTS"), QStringLiteral("dts")},
        {QStringLiteral("FLAC"), QStringLiteral("flac")},      {QStringLiteral("Opus"), QStringLiteral("opus")},
        {QStringLiteral("MLP FBA"), QStringLiteral("truehd")},
    };
    const QString format = track.fields.value(QStringLiteral("Format"));
    if (format == QLatin1String("MPEG Audio"))
        return track.fields.value(QStringLiteral("Format_Profile")) == QLatin1String("Layer 2") ? QStringLiteral("mp2")
                                                                                                : QStringLiteral("mp3");
    return words.value(format, format.toLower());
}

// "LC", "LC SBR", "LC SBR PS" as ffmpeg names the profiles.
QString aacProfile(const Track &track)
{
    const QStringList features =
        split(track.fields.value(QStringLiteral("Format_AdditionalFeatures")), QStringLiteral(" "));
    if (features.contains(QStringLiteral("PS")))
        return QStringLiteral("HE-AACv2");
    if (features.contains(QStringLiteral("SBR")))
        return QStringLiteral("HE-AAC");
    return features.first();
}

QString subtitleCodecWord(const QString &format)
{
    if (format == QLatin1String("PGS"))
        return QStringLiteral("hdmv_pgs_subtitle");
    if (format == QLatin1String("VobSub"))
        return QStringLiteral("dvd_subtitle");
    if (format == QLatin1String("DVB Subtitle"))
        return QStringLiteral("dvb_subtitle");
    return {};
}

// The colour names ffmpeg prints; only the HDR transfers and BT.2020 decide anything.
QString colourWord(const QString &name)
{
    static const QHash<QString, QString> words = {
        {QStringLiteral("Limited"), QStringLiteral("tv")},
        {QStringLiteral("Full"), QStringLiteral("pc")},
        {QStringLiteral("PQ"), QStringLiteral("smpte2084")},
        {QStringLiteral("HLG"), QStringLiteral("arib-std-b67")},
        {QStringLiteral("BT.2020 non-constant"), QStringLiteral("bt2020nc")},
        {QStringLiteral("BT.2020 constant"), QStringLiteral("bt2020c")},
        {QStringLiteral("BT.2020 (10-bit)"), QStringLiteral("bt2020-10")},
        {QStringLiteral("BT.2020 (12-bit)"), QStringLiteral("bt2020-12")},
    };
    return words.value(name, name.toLower().remove(u'.').remove(u' '));
}

VideoFacts pictureFacts(const Track &track, const QString &xml)
{
    // Depth, subsampling, rate, level, bit rate, reference frames, scan and Dolby Vision, as the
    // scan reads them from the same report.
    VideoFacts facts = videoFacts(QString(), xml);
    facts.codec = videoCodecWord(track);
    facts.profile = split(track.fields.value(QStringLiteral("Format_Profile")), QStringLiteral("@")).first();
    // ffmpeg names the MPEG-4 Part 2 profiles "Advanced Simple Profile".
    if (facts.codec == QLatin1String("mpeg4") && !facts.profile.isEmpty())
        facts.profile += QStringLiteral(" Profile");
    facts.size = {qint64(number(track, QStringLiteral("Width")).value_or(0)),
                  qint64(number(track, QStringLiteral("Height")).value_or(0))};
    // mediainfo gives the clockwise turn, ffmpeg (and the facts) the counterclockwise one.
    if (const auto rotation = number(track, QStringLiteral("Rotation"))) {
        const long turn = std::lround(-*rotation);
        if (turn % 90 == 0)
            facts.rotation = int(((turn % 360) + 360) % 360);
    }
    facts.colourRange = colourWord(track.fields.value(QStringLiteral("colour_range")));
    facts.colourMatrix = colourWord(track.fields.value(QStringLiteral("matrix_coefficients")));
    facts.colourPrimaries = colourWord(track.fields.value(QStringLiteral("colour_primaries")));
    facts.colourTransfer = colourWord(track.fields.value(QStringLiteral("transfer_characteristics")));
    return facts;
}

} // namespace

MediainfoReport parseMediainfoReport(const QString &xml)
{
    MediainfoReport result;
    StreamReport &streams = result.streams;
    for (const Track &track : tracksOf(xml)) {
        const int id = int(number(track, QStringLiteral("StreamOrder")).value_or(0));
        if (track.type == QLatin1String("General")) {
            if (const auto seconds = number(track, QStringLiteral("Duration")); seconds && *seconds >= 0)
                streams.runtimeSeconds = qint64(*seconds);
        } else if (track.type == QLatin1String("Video") && !result.video) {
            streams.videoTrackID = id;
            result.video = pictureFacts(track, xml);
        } else if (track.type == QLatin1String("Audio")) {
            AudioTrackFacts audio;
            audio.streamId = id;
            audio.language = QStringLiteral("unk");
            audio.codec = audioCodecWord(track);
            if (audio.codec == QLatin1String("aac"))
                audio.profile = aacProfile(track);
            audio.channels = int(number(track, QStringLiteral("Channels")).value_or(0));
            audio.sampleRate = int(number(track, QStringLiteral("SamplingRate")).value_or(0));
            streams.audioTracks.append(audio);
        } else if (track.type == QLatin1String("Text")) {
            ++streams.subtitleCount;
            if (const QString codec = subtitleCodecWord(track.fields.value(QStringLiteral("Format"))); !codec.isEmpty())
                streams.pictureSubtitles.append({id, codec, QStringLiteral("unk"), false});
        }
    }
    return result;
}

} // namespace tavrel
