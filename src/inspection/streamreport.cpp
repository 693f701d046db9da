#include "inspection/streamreport.h"

#include "support/fileops.h"
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

// The part between the first and second ":" of a stream line: "1(eng)" in
// "Stream #0:1(eng): Audio: ...". MP4, MOV and MPEG-TS inputs add the container's own id in
// brackets ("1[0x2](eng)"); that group is dropped, or it would end up in the language.
QString streamPiece(const QString &line)
{
    const QStringList pieces = split(line, QStringLiteral(":"));
    QString piece = safeStringAtIndex(pieces, 1);
    const qsizetype open = piece.indexOf(u'[');
    if (open >= 0) {
        const qsizetype close = piece.indexOf(u']', open);
        if (close >= 0)
            piece.remove(open, close - open + 1);
    }
    return piece;
}

QString languageOf(const QString &piece)
{
    const QString language = strippedAtEnds(piece, [](QChar c) {
        return isDigit(c) || c == u'(' || c == u')';
    });
    return language.isEmpty() ? QStringLiteral("unk") : language;
}

int streamIdOf(const QString &piece)
{
    return int(integerValue(strippedAtEnds(piece, [](QChar c) { return !isDigit(c); })));
}

// The last blank-separated piece holding an "x", cut down to digits and "x" at both ends
// ("1920x1080," gives "1920x1080"; it wins over an earlier "0x31637661").
std::optional<QString> resolutionIn(const QString &line)
{
    std::optional<QString> resolution;
    for (const QString &piece : split(line, QStringLiteral(" "))) {
        if (piece.contains(u'x'))
            resolution = strippedAtEnds(piece, [](QChar c) { return !isDigit(c) && c != u'x'; });
    }
    return resolution;
}

QString audioDescription(const QString &line, int streamId, const QString &language)
{
    static const QString marker = QStringLiteral("Audio: ");
    const QString codec = upTo(upTo(line.mid(line.indexOf(marker) + marker.size()), u','), u' ');
    const bool surround = contains(line, QStringLiteral("5.1(side)")) || contains(line, QStringLiteral("6.1,"));
    return u'#' + QString::number(streamId) + QStringLiteral(": ") + language + QStringLiteral(" (") + codec
        + u')' + (surround ? QStringLiteral(" [5.1]") : QString());
}

bool isTextSubtitle(const QString &line)
{
    static const QStringList kinds = {
        QStringLiteral("ssa"), QStringLiteral("subrip"), QStringLiteral("srt"),
        QStringLiteral("sami"), QStringLiteral("subviewer"), QStringLiteral("microdvd"),
    };
    for (const QString &kind : kinds)
        if (contains(line, kind))
            return true;
    return false;
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

    report.durationText = duration;
    // Whole seconds; the fraction is dropped. 64-bit, so no absurd text can overflow.
    report.runtimeSeconds = integerValue(parts.at(0)) * 3600 + integerValue(parts.at(1)) * 60
                            + integerValue(parts.at(2));
    report.bitRateText = line.mid(bitRateAt + bitRateMarker.size());
}

} // namespace

StreamReport parseStreamReport(const QString &text)
{
    StreamReport report;
    for (const QString &line : lines(text)) {
        const QString trimmedLine = trimmed(line);
        if (trimmedLine.startsWith(QStringLiteral("Stream"))) {
            const QString piece = streamPiece(line);
            const int streamId = streamIdOf(piece);
            if (contains(line, QStringLiteral("Video: "))) {
                // A cover picture is listed as a video stream; it is not the movie's video.
                if (!contains(line, QStringLiteral("(attached pic)"))) {
                    if (auto resolution = resolutionIn(line))
                        report.resolutionText = resolution;
                    report.videoLines.append(line);
                    report.videoTrackID = streamId;
                }
            } else if (contains(line, QStringLiteral("Audio: "))) {
                report.audioTrackInformation.append(audioDescription(line, streamId, languageOf(piece)));
            } else if (contains(line, QStringLiteral("Subtitle: "))) {
                ++report.subtitleCount;
                if (isTextSubtitle(line))
                    report.subtitleTrackIDs.append(streamId);
            }
        }
        if (trimmedLine.startsWith(QStringLiteral("Duration")))
            readDurationLine(line, report);
    }
    return report;
}

QString informationString(const StreamReport &report)
{
    return makeString(QStringLiteral("Duration: %@  Bitrate: %@  Resolution: %@  Audiotracks: %i (%i)"),
                      report.durationText, report.bitRateText, report.resolutionText,
                      int(report.audioTrackInformation.size()), report.subtitleCount);
}

} // namespace tavrel
