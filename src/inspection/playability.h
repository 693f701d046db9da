#pragma once
// What the PlayStation 3 plays in an MP4 file, decided from what the scan learned: H.264
// Baseline, Main or High, 8-bit 4:2:0, at most 1920x1080 and level 4.1 (or MPEG-4 Part 2 up to
// 720x576); AC3 up to 5.1 or AAC LC in stereo at 32, 44.1 or 48 kHz; text subtitles only.
// Pure functions, so tests feed them recorded tool output.
#include <QString>
#include <QStringList>

#include <optional>

#include "inspection/compatibility.h"
#include "inspection/streamreport.h"

namespace tavrel {

// The picture as ffmpeg's stream line and mediainfo's header reading describe it.
struct VideoFacts
{
    QString codec;       // ffmpeg's codec word: "h264", "hevc", "mpeg4"
    QString profile;     // "High", "High 10", "Advanced Simple Profile"; empty when unknown
    QString pixelFormat; // "yuv420p", "yuv420p10le"
    PictureSize size;
    std::optional<double> frameRate;
    int bitDepth = 8;
    QString chroma = QStringLiteral("4:2:0");
    std::optional<double> level; // as flagged in the stream
    std::optional<qint64> referenceFrames;
    std::optional<qint64> bitRate; // bits a second, the larger of the average and the maximum
};

// `videoLine` is the codec text of the video stream ("Video: h264 (High), yuv420p, ...");
// `mediainfoXml` the "mediainfo --Output=XML" text (may be empty).
VideoFacts videoFacts(const QString &videoLine, const QString &mediainfoXml);

enum class VideoAction {
    Copy,        // plays as it is
    MarkLevel41, // plays once flagged level 4.1, which it fits
    Reencode,    // the console cannot play it
};

struct VideoVerdict
{
    VideoAction action = VideoAction::Copy;
    QStringList reasons; // in words: "HEVC", "10-bit", "3840×2160", "1080p at 60 frames a second"
};

VideoVerdict videoVerdict(const VideoFacts &facts);

// The reference frames level 4.1 allows at this size: 32768 macroblocks of picture buffer,
// at most 16.
qint64 referenceFrameLimit41(const PictureSize &size);

// Why the console cannot play this audio stream in an MP4 file; empty when it can.
QStringList audioProblems(const AudioTrackFacts &audio);

// "1 picture subtitle track (PGS) left out: the console shows text subtitles only"; empty
// when there are none.
QString pictureSubtitlesLeftOutNote(const QList<PictureSubtitle> &tracks);
// "PGS", "VobSub", "DVB" for the codec word.
QString pictureSubtitleKind(const QString &codec);

// Why a converted MP4 file will not play, from its probe report and its mediainfo reading;
// empty when it plays.
QStringList outputProblems(const StreamReport &report, const QString &mediainfoXml);

} // namespace tavrel
