// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspection/streamreport.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

#include "inspection/languages.h"
#include "support/format.h"
#include "support/strings.h"

namespace tavrel {

namespace {

// The text without the leading and trailing characters for which strip() holds.
template<typename Predicate>
QString strippedAtEnds(const QString &text, Predicate strip)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && strip(text.at(begin)))
        ++begin;
    while (end > begin && strip(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// The text before the first c, or all of it when there is none.
QString upTo(const QString &text, QChar c)
{
    const qsizetype at = text.indexOf(c);
    return at < 0 ? text : text.left(at);
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// ffmpeg ends its lines with LF, and CR for lines it rewrites; nothing else. Metadata values
// and file names are printed as they are, so any other break character (U+2028, NEL, VT) in
// them must stay inside its line or it would start a line the tool never wrote.
QStringList reportLines(const QString &text)
{
    QStringList result;
    result.reserve(text.size() / 32 + 1);
    const QChar *const begin = text.constData();
    const QChar *const end = begin + text.size();
    const QChar *start = begin;
    for (const QChar *c = begin; c != end; ++c) {
        if (*c == u'\n' || *c == u'\r') {
            result.append(QString(start, c - start));
            start = c + 1;
        }
    }
    result.append(QString(start, end - start));
    return result;
}

// The digits at `at`, as a number; none when there are none or they do not fit an int.
std::optional<int> digitsAt(const QString &text, qsizetype &at)
{
    qint64 value = 0;
    const qsizetype begin = at;
    while (at < text.size() && isDigit(text.at(at))) {
        value = value * 10 + (text.at(at).unicode() - u'0');
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
        ++at;
    }
    if (at == begin)
        return std::nullopt;
    return int(value);
}

enum class StreamKind { Video, Audio, Subtitle, Other };

// One stream line taken apart: "Stream #0:1[0x2](eng): Audio: ac3, 48000 Hz, 5.1(side), ...".
struct StreamLine
{
    int input = 0;
    int index = 0;
    QString languageTag; // between the parentheses after the index; empty when there are none
    StreamKind kind = StreamKind::Other;
    QString codecText; // from the kind word on: "Audio: ac3, 48000 Hz, ..."
};

// The kinds ffmpeg prints after the stream header.
struct KindMarker
{
    QString text;
    StreamKind kind;
};
const KindMarker kKindMarkers[] = {
    {QStringLiteral(": Video: "), StreamKind::Video},       {QStringLiteral(": Audio: "), StreamKind::Audio},
    {QStringLiteral(": Subtitle: "), StreamKind::Subtitle}, {QStringLiteral(": Data: "), StreamKind::Other},
    {QStringLiteral(": Attachment: "), StreamKind::Other},  {QStringLiteral(": Unknown: "), StreamKind::Other},
};

// "Stream #<input>:<index>" at the start of the line; `at` ends up after the index.
std::optional<StreamLine> streamHeader(const QString &trimmedLine, qsizetype &at)
{
    static const QString head = QStringLiteral("Stream #");
    if (!trimmedLine.startsWith(head))
        return std::nullopt;
    StreamLine stream;
    at = head.size();
    const auto input = digitsAt(trimmedLine, at);
    if (!input || at >= trimmedLine.size() || trimmedLine.at(at) != u':')
        return std::nullopt;
    ++at;
    const auto index = digitsAt(trimmedLine, at);
    if (!index)
        return std::nullopt;
    stream.input = *input;
    stream.index = *index;
    return stream;
}

bool hasKindMarker(const QString &text)
{
    return std::any_of(std::cbegin(kKindMarkers), std::cend(kKindMarkers),
                       [&](const KindMarker &marker) { return text.contains(marker.text); });
}

bool hasStreamHeader(const QString &trimmedLine)
{
    qsizetype at = 0;
    return streamHeader(trimmedLine, at).has_value();
}

// Only a line in the tool's own shape is a stream: "Stream #<input>:<index>", an optional
// "[container id]" and "(language)", then the kind. The language tag is printed as it is, so
// the kind is the last marker on the line: a tag reading "x): Audio: ac3" stays a tag.
std::optional<StreamLine> streamLine(const QString &trimmedLine)
{
    qsizetype at = 0;
    std::optional<StreamLine> header = streamHeader(trimmedLine, at);
    if (!header)
        return std::nullopt;
    StreamLine stream = *header;

    qsizetype markerAt = -1;
    for (const KindMarker &marker : kKindMarkers) {
        const qsizetype found = trimmedLine.lastIndexOf(marker.text);
        if (found >= at && found > markerAt) {
            markerAt = found;
            stream.kind = marker.kind;
        }
    }
    if (markerAt < 0)
        return std::nullopt;
    stream.codecText = trimmedLine.mid(markerAt + 2);

    // MP4, MOV and MPEG-TS inputs add the container's own id in brackets ("1[0x2](eng)"); it
    // is not part of the language.
    QString rest = trimmedLine.mid(at, markerAt - at);
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        rest = close < 0 ? QString() : rest.mid(close + 1);
    }
    if (rest.startsWith(u'(')) {
        const qsizetype close = rest.lastIndexOf(u')');
        if (close > 0)
            stream.languageTag = rest.mid(0, close + 1);
    }
    return stream;
}

// The language as the other parts of the program read it: a single word, the second piece of
// the description. Codes stay as they are; a language name the table knows ("English",
// "Deutsch") becomes its code; any other free text keeps its words, joined so that it never
// splits the description, and matches no preference.
QString languageOf(const QString &tag)
{
    const QString language = strippedAtEnds(tag, [](QChar c) { return isDigit(c) || c == u'(' || c == u')'; });
    if (language.isEmpty())
        return QStringLiteral("unk");
    if (const auto code = languageCodeForName(language))
        return *code;
    QString word = language;
    for (QChar &c : word) {
        if (c.isSpace() || c == u':')
            c = u'_';
    }
    return word;
}

// The resolution: the last blank-separated piece holding an "x", cut down to digits and "x"
// at both ends ("1920x1080," gives "1920x1080"; it wins over an earlier "0x31637661").
std::optional<QString> resolutionIn(const QString &codecText)
{
    std::optional<QString> resolution;
    for (const QString &piece : split(codecText, QStringLiteral(" "))) {
        if (piece.contains(u'x'))
            resolution = strippedAtEnds(piece, [](QChar c) { return !isDigit(c) && c != u'x'; });
    }
    return resolution;
}

} // namespace

QString codecWordOf(const QString &codecText)
{
    return upTo(upTo(codecText.mid(codecText.indexOf(u' ') + 1), u','), u' ');
}

namespace {

// The channels of one layout as ffmpeg names it: "mono", "stereo", "5.1(side)", "7.1(wide)",
// "22.2", "8 channels", or a list of channel names ("FL+FR+LFE"). 0 when it is none of these.
int channelCount(const QString &layout)
{
    static const QHash<QString, int> named = {
        {QStringLiteral("mono"), 1}, {QStringLiteral("stereo"), 2},         {QStringLiteral("downmix"), 2},
        {QStringLiteral("quad"), 4}, {QStringLiteral("hexagonal"), 6},      {QStringLiteral("octagonal"), 8},
        {QStringLiteral("cube"), 8}, {QStringLiteral("hexadecagonal"), 16},
    };
    const QString base = upTo(layout, u'(');
    if (const auto it = named.constFind(base); it != named.cend())
        return it.value();
    static const QString channels = QStringLiteral(" channels");
    if (const qsizetype at = layout.indexOf(channels); at > 0) {
        qsizetype from = 0;
        const auto count = digitsAt(layout, from);
        return count && from == at ? *count : 0;
    }
    // "5.1", "7.1", "5.1.2": the groups add up. Every group must be a small number.
    const QStringList groups = split(base, QStringLiteral("."));
    if (groups.size() >= 2) {
        int sum = 0;
        for (const QString &group : groups) {
            qsizetype from = 0;
            const auto value = digitsAt(group, from);
            if (!value || from != group.size() || *value > 64)
                return 0;
            sum += *value;
        }
        return sum;
    }
    if (layout.contains(u'+') && !layout.contains(u' '))
        return int(split(layout, QStringLiteral("+")).size());
    return 0;
}

// The channel suffix: empty up to two channels. More make a surround track, which the
// conversion re-encodes with the surround settings; the suffix names the layout. 5.1 and 6.1
// have always read " [5.1]".
QString channelLayout(const QString &codecText)
{
    const QStringList fields = split(codecText, QStringLiteral(", "));
    for (qsizetype i = 1; i < fields.size(); ++i) {
        const QString &layout = fields.at(i);
        const int channels = channelCount(layout);
        if (channels == 0)
            continue;
        if (channels <= 2)
            return QString();
        if (layout == QLatin1String("5.1") || layout == QLatin1String("5.1(side)") || layout == QLatin1String("6.1"))
            return QStringLiteral("5.1");
        // "8 channels (FL+FR+...)" must not add blanks to the description.
        if (layout.contains(u' ') || layout.contains(u'+'))
            return QString::number(channels) + QStringLiteral("ch");
        return layout;
    }
    return QString();
}

} // namespace

// The codec text cut at the commas between fields, not those inside parentheses:
// "Video: h264 (High), yuv420p(tv, bt709), 1920x1080" gives three fields.
QStringList codecFields(const QString &codecText)
{
    QStringList fields;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < codecText.size(); ++i) {
        const QChar c = codecText.at(i);
        if (c == u'(')
            ++depth;
        else if (c == u')' && depth > 0)
            --depth;
        else if (c == u',' && depth == 0) {
            fields.append(codecText.mid(start, i - start).trimmed());
            start = i + 1;
        }
    }
    fields.append(codecText.mid(start).trimmed());
    return fields;
}

QString codecProfile(const QString &codecText)
{
    // "h264 (High) (avc1 / 0x31637661)", "av1 (libdav1d) (Main)", "aac (LC) (mp4a / 0x6134706D)":
    // the last parenthesised word of the first field that is not a container tag or a decoder.
    const QString first = codecFields(codecText).value(0);
    QString profile;
    qsizetype at = 0;
    while ((at = first.indexOf(u'(', at)) >= 0) {
        const qsizetype close = first.indexOf(u')', at);
        if (close < 0)
            break;
        const QString word = first.mid(at + 1, close - at - 1);
        if (!word.contains(QStringLiteral(" / ")) && !word.startsWith(QStringLiteral("lib")))
            profile = word;
        at = close + 1;
    }
    return profile;
}

namespace {

AudioTrackFacts audioFacts(const QString &codecText)
{
    AudioTrackFacts facts;
    facts.codec = codecWordOf(codecText);
    facts.profile = codecProfile(codecText);
    const QStringList fields = codecFields(codecText);
    for (qsizetype i = 1; i < fields.size(); ++i) {
        const QString &field = fields.at(i);
        if (field.endsWith(QStringLiteral(" Hz")) && facts.sampleRate == 0) {
            qsizetype at = 0;
            facts.sampleRate = digitsAt(field, at).value_or(0);
        } else if (facts.channels == 0) {
            facts.channels = channelCount(field);
        }
    }
    return facts;
}

AudioTrackFacts audioTrack(const StreamLine &stream)
{
    AudioTrackFacts facts = audioFacts(stream.codecText);
    facts.streamId = stream.index;
    facts.language = languageOf(stream.languageTag);
    facts.layout = channelLayout(stream.codecText);
    return facts;
}

// Looks at the subtitle codec alone: a language tag "ssa" (a real ISO 639-2 code) on a
// picture subtitle must not make it text.
bool isTextSubtitle(const QString &codecWord)
{
    static const QStringList kinds = {
        QStringLiteral("ssa"),  QStringLiteral("subrip"),    QStringLiteral("srt"),
        QStringLiteral("sami"), QStringLiteral("subviewer"), QStringLiteral("microdvd"),
    };
    for (const QString &kind : kinds)
        if (contains(codecWord, kind))
            return true;
    return false;
}

bool isPictureSubtitle(const QString &codecWord)
{
    return codecWord == QLatin1String("hdmv_pgs_subtitle") || codecWord == QLatin1String("dvd_subtitle")
        || codecWord == QLatin1String("dvb_subtitle") || codecWord == QLatin1String("xsub");
}

// "Duration: 01:52:03.04, start: 0.000000, bitrate: 9832 kb/s". The tool prints "N/A" when it
// knows no duration; such a line, and one lacking "Duration: " or "bitrate: " (a stream's
// metadata tag "Duration        : ..."), is no duration: it neither shows a meaningless text
// nor wipes the input's duration read earlier.
void readDurationLine(const QString &line, StreamReport &report)
{
    static const QString durationMarker = QStringLiteral("Duration: ");
    static const QString bitRateMarker = QStringLiteral("bitrate: ");
    const qsizetype durationAt = line.indexOf(durationMarker);
    const qsizetype bitRateAt = line.indexOf(bitRateMarker);
    if (durationAt < 0 || bitRateAt < 0)
        return;
    const QString duration = upTo(line.mid(durationAt + durationMarker.size()), u'.');
    const QStringList parts = split(duration, QStringLiteral(":"));
    if (parts.size() < 3)
        return;

    // Whole seconds; the fraction is dropped. A text whose runtime does not fit 64 bits
    // ("00:1111111111111111111111:01") is no duration.
    qint64 runtime = 0;
    qint64 minutes = 0;
    if (__builtin_mul_overflow(integerValue(parts.at(0)), qint64(3600), &runtime)
        || __builtin_mul_overflow(integerValue(parts.at(1)), qint64(60), &minutes)
        || __builtin_add_overflow(runtime, minutes, &runtime)
        || __builtin_add_overflow(runtime, integerValue(parts.at(2)), &runtime))
        return;
    report.durationText = duration;
    report.runtimeSeconds = runtime;
    report.bitRateText = line.mid(bitRateAt + bitRateMarker.size());
}

// The number after `label` in a side-data line ("rotation of -90.00 degrees", "profile: 5").
std::optional<double> numberAfter(const QString &line, const QString &label)
{
    const qsizetype at = line.indexOf(label);
    if (at < 0)
        return std::nullopt;
    bool ok = false;
    const double value = upTo(upTo(line.mid(at + label.size()), u' '), u',').toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

void readVideoSideData(const QString &trimmedLine, VideoSideData &side)
{
    if (trimmedLine.startsWith(QStringLiteral("displaymatrix: ")))
        side.rotation = numberAfter(trimmedLine, QStringLiteral("rotation of "));
    else if (trimmedLine.startsWith(QStringLiteral("DOVI configuration record: ")))
        if (const auto profile = numberAfter(trimmedLine, QStringLiteral("profile: ")))
            side.doviProfile = int(*profile);
}

} // namespace

StreamReport parseStreamReport(const QString &text, const QString &inputPath)
{
    // ffmpeg echoes the input's path as it is ("from '<path>':", error messages); a path holding
    // a line feed could otherwise add lines of its own.
    QString report = text;
    if (!inputPath.isEmpty())
        report.replace(inputPath, QString());

    StreamReport result;
    const auto unreadable = [](const QString &why) {
        StreamReport failed;
        failed.unreadable = QStringLiteral("The movie's report could not be read: ") + why;
        return failed;
    };
    // MPEG-TS lists a stream once per program that holds it, the same line each time; it is
    // still one track.
    QHash<QPair<int, int>, QString> seen;
    // Side data belongs to the stream line above it; only the movie's video stream's is kept.
    bool inVideoSideData = false;
    bool afterVideoStream = false;
    QString container;
    const QStringList lines = reportLines(report);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        QString trimmedLine = trimmed(line);
        std::optional<StreamLine> stream = streamLine(trimmedLine);
        // A line break inside the language tag leaves the header without its kind: the rest of
        // the tag and the kind follow on the next lines.
        if (!stream && hasStreamHeader(trimmedLine)) {
            while (!stream) {
                if (i + 1 >= lines.size())
                    return unreadable(QStringLiteral("a stream is listed without its kind."));
                const QString &next = lines.at(++i);
                trimmedLine += u'\n';
                trimmedLine += next;
                // Read again only once the kind has come, so a tag of many lines costs no more
                // than its length.
                if (hasKindMarker(next)) {
                    trimmedLine = trimmed(trimmedLine);
                    stream = streamLine(trimmedLine);
                }
            }
        }
        if (stream) {
            const QPair<int, int> id{stream->input, stream->index};
            if (const auto earlier = seen.constFind(id); earlier != seen.cend()) {
                // Two different lines for one stream: either may be a tag's forgery.
                if (*earlier != trimmedLine)
                    return unreadable(QStringLiteral("stream #%1:%2 is listed twice, differently.")
                                          .arg(stream->input)
                                          .arg(stream->index));
                continue;
            }
            seen.insert(id, trimmedLine);
            afterVideoStream = false;
            inVideoSideData = false;
            switch (stream->kind) {
            case StreamKind::Video:
                // A cover picture is listed as a video stream; it is not the movie's video.
                if (!contains(stream->codecText, QStringLiteral("(attached pic)"))) {
                    if (auto resolution = resolutionIn(stream->codecText))
                        result.resolutionText = resolution;
                    result.videoLines.append(stream->codecText);
                    result.videoTrackID = stream->index;
                    result.videoSideData = {};
                    afterVideoStream = true;
                }
                break;
            case StreamKind::Audio:
                result.audioTracks.append(audioTrack(*stream));
                result.audioTracks.last().container = container;
                break;
            case StreamKind::Subtitle: {
                ++result.subtitleCount;
                const QString codec = codecWordOf(stream->codecText);
                if (isTextSubtitle(codec))
                    result.subtitleTrackIDs.append(stream->index);
                else if (isPictureSubtitle(codec))
                    result.pictureSubtitles.append({stream->index, codec, languageOf(stream->languageTag),
                                                    contains(stream->codecText, QStringLiteral("(forced)"))});
                break;
            }
            case StreamKind::Other:
                break;
            }
            continue;
        }
        if (trimmedLine == QLatin1String("Side data:"))
            inVideoSideData = afterVideoStream;
        else if (trimmedLine == QLatin1String("Metadata:"))
            inVideoSideData = false;
        else if (trimmedLine.startsWith(QStringLiteral("Input #"))) {
            inVideoSideData = afterVideoStream = false;
            // ffmpeg prints the real line first, unindented; a tag's text comes later.
            // "Input #0, matroska,webm, from '...':": the names hold no space.
            if (container.isEmpty() && line.startsWith(QStringLiteral("Input #0, "))) {
                container = upTo(line.mid(10), u' ');
                if (container.endsWith(u','))
                    container.chop(1);
            }
        } else if (inVideoSideData)
            readVideoSideData(trimmedLine, result.videoSideData);
        if (trimmedLine.startsWith(QStringLiteral("Duration")))
            readDurationLine(line, result);
    }
    return result;
}

QString audioTrackDescription(const AudioTrackFacts &track)
{
    return u'#' + QString::number(track.streamId) + QStringLiteral(": ") + track.language + QStringLiteral(" (")
        + track.codec + u')' + (track.layout.isEmpty() ? QString() : QStringLiteral(" [") + track.layout + u']');
}

QStringList audioTrackDescriptions(const QList<AudioTrackFacts> &tracks)
{
    QStringList descriptions;
    for (const AudioTrackFacts &track : tracks)
        descriptions.append(audioTrackDescription(track));
    return descriptions;
}

const AudioTrackFacts *audioTrackWithId(const QList<AudioTrackFacts> &tracks, std::optional<int> streamId)
{
    for (const AudioTrackFacts &track : tracks)
        if (streamId && track.streamId == *streamId)
            return &track;
    return nullptr;
}

QString informationString(const StreamReport &report)
{
    return makeString(QStringLiteral("Duration: %@  Bitrate: %@  Resolution: %@  Audiotracks: %i (%i)"),
                      report.durationText, report.bitRateText, report.resolutionText, int(report.audioTracks.size()),
                      report.subtitleCount);
}

} // namespace tavrel
