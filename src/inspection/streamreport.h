#pragma once
// Reading the text report of "ffmpeg -i": stream ids, audio track descriptions, subtitle ids,
// duration, bit rate and resolution. Pure functions, so tests feed them recorded reports.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

struct StreamReport
{
    QStringList audioTrackInformation;     // "#<id>: <language> (<codec>)[ [<layout>]]", report order
    QList<int> subtitleTrackIDs;           // text subtitles only, report order
    int subtitleCount = 0;                 // every subtitle stream, text or picture
    std::optional<int> videoTrackID;       // the last video stream that is not a cover picture
    std::optional<QString> resolutionText; // "1280x720"
    std::optional<QString> durationText;   // "01:52:03"
    std::optional<QString> bitRateText;    // "9832 kb/s"
    std::optional<qint64> runtimeSeconds;
    QStringList videoLines; // the video streams' codec texts ("Video: h264 ...")
};

// `inputPath` is the path given to the tool after "-i"; its echoes are left out of the report.
StreamReport parseStreamReport(const QString &report, const QString &inputPath = QString());

// "Duration: %@  Bitrate: %@  Resolution: %@  Audiotracks: %i (%i)", absent texts as "(null)".
QString informationString(const StreamReport &report);

} // namespace tavrel
