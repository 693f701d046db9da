// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the text report of "ffmpeg -i": stream ids, audio track descriptions, subtitle ids,
// duration, bit rate and resolution. Pure functions, so tests feed them recorded reports.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tavrel {

// One audio stream: what the pop-up shows and the console's check needs.
struct AudioTrackFacts
{
    int streamId = 0;
    QString language; // "eng"; "unk" without a tag
    QString layout;   // "5.1", "7.1", "8ch" for more than two channels; empty otherwise
    QString codec;    // "aac"
    QString profile;  // "LC", "HE-AAC"; empty when not printed
    int channels = 0;
    int sampleRate = 0; // Hz; 0 when not printed
    // The input's format as ffmpeg names it ("matroska,webm", "mpegts"): it decides whether AAC
    // frames come with ADTS headers. Empty when not printed.
    QString container{};
};

// A subtitle stream the MP4 file cannot carry: a picture (PGS, VobSub, DVB).
struct PictureSubtitle
{
    int streamId = 0;
    QString codec;    // "hdmv_pgs_subtitle", "dvd_subtitle", "dvb_subtitle"
    QString language; // as in the audio descriptions
    bool forced = false;
};

// What ffmpeg lists under "Side data:" for the movie's video stream.
struct VideoSideData
{
    std::optional<double> rotation; // "displaymatrix: rotation of -90.00 degrees"
    std::optional<int> doviProfile; // "DOVI configuration record: ... profile: 5, ..."
};

struct StreamReport
{
    QList<int> subtitleTrackIDs;           // text subtitles only, report order
    int subtitleCount = 0;                 // every subtitle stream, text or picture
    std::optional<int> videoTrackID;       // the last video stream that is not a cover picture
    std::optional<QString> resolutionText; // "1280x720"
    std::optional<QString> durationText;   // "01:52:03"
    std::optional<QString> bitRateText;    // "9832 kb/s"
    std::optional<qint64> runtimeSeconds;
    QStringList videoLines;             // the video streams' codec texts ("Video: h264 ..."), cover pictures left out
    QList<AudioTrackFacts> audioTracks; // report order
    QList<PictureSubtitle> pictureSubtitles; // report order
    VideoSideData videoSideData;             // of the stream videoTrackID names
    // Why the report cannot be trusted (a stream listed twice, differently, or without its
    // kind); everything else is then left empty.
    std::optional<QString> unreadable;
};

// "#<id>: <language> (<codec>)[ [<layout>]]", the track as the window lists it.
QString audioTrackDescription(const AudioTrackFacts &track);
QStringList audioTrackDescriptions(const QList<AudioTrackFacts> &tracks);
// The track of that stream id; none without an id or when there is no such track.
const AudioTrackFacts *audioTrackWithId(const QList<AudioTrackFacts> &tracks, std::optional<int> streamId);

// Pieces of a stream's codec text ("Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709), ..."):
// its fields at the commas outside parentheses, the codec word ("h264") and the profile ("High";
// empty when none is printed).
QStringList codecFields(const QString &codecText);
QString codecWordOf(const QString &codecText);
QString codecProfile(const QString &codecText);

// `inputPath` is the path given to the tool after "-i"; its echoes are left out of the report.
StreamReport parseStreamReport(const QString &report, const QString &inputPath = QString());

// "Duration: %@  Bitrate: %@  Resolution: %@  Audiotracks: %i (%i)", absent texts as "(null)".
QString informationString(const StreamReport &report);

} // namespace tavrel
