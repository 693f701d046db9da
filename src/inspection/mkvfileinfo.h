// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The record of one source movie, filled by running "ffmpeg -i" on it.
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

#include "inspection/playability.h"

namespace tavrel {

// The reference-frame and level reading: "mediainfo" and its arguments for the file.
QStringList mediainfoArguments(const QString &path);

class MKVFileInfo
{
public:
    // Runs the probe (and the compatibility checks); blocks, so call it off the main thread.
    // `reencodeVideo`: a picture the console cannot play will be re-encoded, so it raises no
    // warning; the notes say what will be re-encoded and why.
    static std::shared_ptr<MKVFileInfo> scan(const QUrl &url, bool reencodeVideo);
    static std::shared_ptr<MKVFileInfo> initWithURL(const QUrl &url) { return scan(url, true); }

    QString informationString;
    QString fileName;
    QUrl fileURL;
    std::optional<int> videoTrackID;
    std::optional<qint64> runtimeSeconds;
    std::optional<quint64> fileSize;
    QList<int> subtitleTrackIDs;
    // The H.264 level the video is flagged with (5.1), and whether it fits level 4.1 all the same.
    std::optional<double> videoLevel;
    bool fitsLevel41 = false;
    // The picture, what the console makes of it, the audio streams in report order and the
    // picture subtitles the MP4 file cannot carry.
    VideoFacts videoFacts;
    VideoVerdict videoVerdict;
    QList<AudioTrackFacts> audioTracks;
    QList<PictureSubtitle> pictureSubtitles;
    // What the conversion will change and why, one sentence each, for the file panel.
    QStringList conversionNotes;
    // Why the probe's report cannot be trusted (a stream listed twice, differently); the movie is
    // then not converted. Empty when it was read.
    QString unreadableReport;
    // A tool that could not be started ("ffmpeg" or "mediainfo") and why; empty when both ran.
    QString toolFailure;
};

} // namespace tavrel
