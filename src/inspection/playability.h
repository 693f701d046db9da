// SPDX-License-Identifier: GPL-3.0-or-later
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

enum class FieldOrder { Unknown, Progressive, TopFirst, BottomFirst };

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
    // How a player shows it: what the console ignores.
    PictureSize sampleAspect; // "SAR 64:45" -> 64, 45; 0, 0 when not printed
    int rotation = 0;         // degrees a player turns it counterclockwise: 0, 90, 180 or 270
    FieldOrder fieldOrder = FieldOrder::Unknown;
    QString colourRange;     // ffmpeg's names: "tv", "pc"; empty when not printed
    QString colourMatrix;    // "bt709", "bt2020nc"
    QString colourPrimaries; // "bt709", "bt2020"
    QString colourTransfer;  // "bt709", "smpte2084" (PQ), "arib-std-b67" (HLG)
    std::optional<int> doviProfile;
};

// `videoLine` is the codec text of the video stream ("Video: h264 (High), yuv420p, ...");
// `mediainfoXml` the "mediainfo --Output=XML" text (may be empty); `sideData` what ffmpeg
// listed under the stream.
VideoFacts videoFacts(const QString &videoLine, const QString &mediainfoXml, const VideoSideData &sideData = {});

// The size as a player shows it: turned a quarter, width and height swap.
PictureSize shownSize(const VideoFacts &facts);
bool isInterlaced(const VideoFacts &facts);
// "PQ" or "HLG" for a high-dynamic-range transfer; empty otherwise.
QString hdrTransfer(const VideoFacts &facts);
// Colours that a BT.709 set shows wrong: HDR, or BT.2020 primaries.
bool needsColourConversion(const VideoFacts &facts);

enum class VideoAction {
    Copy,        // plays as it is
    MarkLevel41, // plays once flagged level 4.1, which it fits
    Reencode,    // the console cannot play it
};

struct VideoVerdict
{
    VideoAction action = VideoAction::Copy;
    // In words: "HEVC", "10-bit", "3840×2160", "1080p at 60 frames a second", "shown rotated 90°",
    // "HDR (PQ) colours"; an interlaced picture that is re-encoded adds "interlaced, top field first".
    QStringList reasons;
    // Of these, what the console would show wrong rather than refuse.
    QStringList shownWrong;
    // What the re-encode does besides the codec: "rotated upright", "deinterlaced", "HDR tone mapped to SDR".
    QStringList fixes;
    // Why no re-encode can show it right; empty when one can.
    QString unconvertible;
};

VideoVerdict videoVerdict(const VideoFacts &facts);
// ": rotated upright, deinterlaced" for a verdict with fixes; empty for one without.
QString fixesText(const VideoVerdict &verdict);

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

// Why a converted MP4 file will not play or shows wrong, from its probe report and its mediainfo
// reading; empty when it plays. `fieldsKept`: the source was interlaced and not deinterlaced, so
// a picture flagged progressive would show combed.
QStringList outputProblems(const StreamReport &report, const QString &mediainfoXml, bool fieldsKept = false);
// The same from the facts themselves: the picture's (none without one), the audio tracks', and
// whether the file holds picture subtitles.
QStringList outputProblems(const std::optional<VideoFacts> &video, const QList<AudioTrackFacts> &audio,
                           bool pictureSubtitles, bool fieldsKept);

} // namespace tavrel
