// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspection/mkvfileinfo.h"

#include <QFileInfo>

#include "inspection/compatibility.h"
#include "inspection/runastask.h"
#include "inspection/streamreport.h"

namespace tavrel {

QStringList mediainfoArguments(const QString &path)
{
    // The counts come from the stream headers, which mediainfo reads even at parse speed 0.
    return {toolPath(QStringLiteral("mediainfo")), QStringLiteral("--ParseSpeed=0"), QStringLiteral("--Output=XML"),
            path};
}

std::shared_ptr<MKVFileInfo> MKVFileInfo::scan(const QUrl &url, bool reencodeVideo)
{
    auto info = std::make_shared<MKVFileInfo>();
    const QString path = url.toLocalFile();
    const QString fileName = url.fileName();

    // The path is its own argument after "-i", so ffmpeg takes it as the input whatever its
    // first character is.
    // The header reading runs alongside; it only counts for a movie with a picture.
    const auto [probe, headers] =
        runTasksTogether({toolPath(QStringLiteral("ffmpeg")), QStringLiteral("-i"), path}, mediainfoArguments(path));
    if (!probe.started)
        info->toolFailure = probe.startError;
    const StreamReport report = parseStreamReport(probe.output.value_or(QString()), path);
    if (report.unreadable)
        info->unreadableReport = *report.unreadable;

    // Runs the header reading once, for the verdict and the warnings.
    QString xml;
    if (report.resolutionText) {
        if (!headers.started && info->toolFailure.isEmpty())
            info->toolFailure = headers.startError;
        xml = headers.output.value_or(QString());
    }
    if (!report.videoLines.isEmpty()) {
        info->videoFacts = tavrel::videoFacts(report.videoLines.last(), xml, report.videoSideData);
        info->videoVerdict = tavrel::videoVerdict(info->videoFacts);
    }
    // A picture that will be re-encoded will play: nothing to warn about.
    const bool warn = !reencodeVideo || info->videoVerdict.action != VideoAction::Reencode;
    const VideoVerdict &verdict = info->videoVerdict;
    if (reencodeVideo && !verdict.unconvertible.isEmpty())
        info->conversionNotes.append(verdict.unconvertible);
    else if (reencodeVideo && verdict.action == VideoAction::Reencode)
        info->conversionNotes.append(QStringLiteral("The video will be re-encoded to H.264 (%1)%2.")
                                         .arg(verdict.reasons.join(QStringLiteral(", ")), fixesText(verdict)));
    if (const QString note = pictureSubtitlesLeftOutNote(report.pictureSubtitles); !note.isEmpty())
        info->conversionNotes.append(note + u'.');

    if (warn)
        for (const QString &line : report.videoLines)
            for (const QString &warning : codecWarnings(line))
                raiseWarning(warning, fileName);

    info->subtitleTrackIDs = report.subtitleTrackIDs;
    info->fileName = fileName;
    info->fileURL = url;
    const QFileInfo attributes(path);
    if (!path.isEmpty() && attributes.exists())
        info->fileSize = quint64(attributes.size());
    info->videoTrackID = report.videoTrackID;
    info->runtimeSeconds = report.runtimeSeconds;
    info->informationString = tavrel::informationString(report);
    info->audioTracks = report.audioTracks;
    info->pictureSubtitles = report.pictureSubtitles;

    if (report.resolutionText) {
        const PictureSize size = pictureSize(*report.resolutionText);
        if (warn && isTooWide(size))
            raiseWarningLater(kTooHighResWarning, fileName);
        const auto count = referenceFrameCount(xml);
        if (warn && count && hasTooManyReferenceFrames(*count, size))
            raiseWarningLater(kTooManyRefFramesWarning, fileName);
        const VideoHeaderFacts facts = videoHeaderFacts(xml);
        if (facts.isAvc) {
            info->videoLevel = facts.level;
            info->fitsLevel41 = count && tavrel::fitsLevel41(size, *count, facts.frameRate);
        }
    }
    return info;
}

} // namespace tavrel
