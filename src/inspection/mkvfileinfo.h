#pragma once
// The record of one source movie, filled by running "ffmpeg -i" on it.
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

namespace tavrel {

// The reference-frame and level reading: "mediainfo" and its arguments for the file.
QStringList mediainfoArguments(const QString &path);

class MKVFileInfo final
{
public:
    // Runs the probe (and the compatibility checks); blocks, so call it off the main thread.
    static std::shared_ptr<MKVFileInfo> initWithURL(const QUrl &url);

    QStringList audioTrackInformation; // "#%@: %@ (%@)%@"
    QString informationString;
    QString fileName;
    QUrl fileURL;
    QUrl destinationURL; // set by the controller
    std::optional<int> videoTrackID;
    std::optional<qint64> runtimeSeconds;
    std::optional<quint64> fileSize;
    QList<int> subtitleTrackIDs;
    QUrl subtitleFileURL; // set by the controller
    // The subtitle file's encoding for ffmpeg's "-sub_charenc"; empty for UTF-8 (set at the start).
    QString subtitleFileEncoding;
    // The H.264 level the video is flagged with (5.1), and whether it fits level 4.1 all the same.
    std::optional<double> videoLevel;
    bool fitsLevel41 = false;
    QUrl securityURL; // set by the controller
    // A tool that could not be started ("ffmpeg" or "mediainfo") and why; empty when both ran.
    QString toolFailure;
};

} // namespace tavrel
